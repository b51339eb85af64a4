#include "FileDialog.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using quelm::FileDialog;
using quelm::FileDialogSettings;
using quelm::test::TempDir;

namespace
{

// The names the open dialog lists in Folder with its first filter in force.
QStringList ListedNames(const std::string& Folder)
{
    FileDialogSettings settings;
    settings.initialDir = QString::fromStdString(Folder);
    settings.fileName = "*.mp3";
    settings.defaultExt = "mp3";
    settings.filters = {"MP3 Files (*.MP3)", "All Files (*.*)"};
    settings.title = "Select Quelm MP3 file to be load ...";
    QStringList names;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* model = dialog->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        QEventLoop loop;
        QObject::connect(model, &QFileSystemModel::directoryLoaded, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit); // a guard, not a wait
        const QModelIndex root = model->index(QString::fromStdString(Folder));
        if (model->rowCount(root) == 0) {
            loop.exec();
        }
        EXPECT_EQ(dialog->windowTitle(), settings.title);
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            // Hidden by the filter: disabled or filtered out of the model.
            if ((model->flags(index) & Qt::ItemIsEnabled) && !model->isDir(index)) {
                names << model->fileName(index);
            }
        }
        dialog->reject();
    });
    FileDialog dialogs;
    EXPECT_FALSE(dialogs.ShowOpen(nullptr, settings).has_value());
    names.sort();
    return names;
}

} // namespace

TEST(FileDialog, Mp3FilterMatchesAnyCase)
{
    TempDir dir;
    for (const char* name : {"a.mp3", "B.MP3", "c.Mp3", "d.txt", "e.mp3.txt"}) {
        dir.Write(name, "x");
    }
    EXPECT_EQ(ListedNames(dir.Root().string()), (QStringList{"B.MP3", "a.mp3", "c.Mp3"}));
}

TEST(FileDialog, QueuedAnswersGetTheDefaultExtension)
{
    FileDialog dialogs;
    FileDialogSettings settings;
    settings.defaultExt = "mp3";
    TempDir dir;
    const QString existing = QString::fromStdString(dir.Write("record", "x"));
    const QString typed = QString::fromStdString(dir.Path("typed"));
    dialogs.QueueAnswer(typed);
    dialogs.QueueAnswer(QString("/tmp/named.wav"));
    dialogs.QueueAnswer(existing);
    dialogs.QueueAnswer(std::nullopt);
    EXPECT_EQ(dialogs.ShowSave(nullptr, settings), typed + ".mp3");
    EXPECT_EQ(dialogs.ShowSave(nullptr, settings), QString("/tmp/named.wav"));
    EXPECT_EQ(dialogs.ShowOpen(nullptr, settings), existing); // a file without an extension
    EXPECT_FALSE(dialogs.ShowSave(nullptr, settings).has_value());
    EXPECT_EQ(dialogs.TimesShown(), 4);
}

TEST(FileDialog, TheOpenDialogTakesAFileWithoutAnExtensionAndShowsItsNotice)
{
    TempDir dir;
    const QString record = QString::fromStdString(dir.Write("record", "x"));
    FileDialogSettings settings;
    settings.initialDir = QString::fromStdString(dir.Root().string());
    settings.defaultExt = "mp3";
    settings.filters = {"MP3 Files (*.MP3)", "All Files (*.*)"};
    settings.notice = "cannot read /x/day.mp3: Permission denied";
    QString notice;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (auto* label = dialog->findChild<QLabel*>("Notice"); label != nullptr && label->isVisible()) {
            notice = label->text();
        }
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        name->setText(record);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTimer guard; // a dialog that refuses the name (and its message box) goes away
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    guard.start(2000);
    FileDialog dialogs;
    EXPECT_EQ(dialogs.ShowOpen(nullptr, settings), record);
    EXPECT_EQ(notice, settings.notice);
}
