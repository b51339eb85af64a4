#include "StatusPanel.h"

namespace quelm
{

StatusPanel::StatusPanel(const QString& Text, const QString& Name, QWidget* Parent) : QLabel(Text, Parent)
{
    static const bool kInstalled = [] {
        QAccessible::installFactory(&StatusPanel::Create);
        return true;
    }();
    (void)kInstalled;
    setAccessibleName(Name);
}

StatusPanel::Accessible::Accessible(QWidget* Panel) : QAccessibleWidget(Panel, QAccessible::StaticText)
{
}

QString StatusPanel::Accessible::text(QAccessible::Text Which) const
{
    const auto* panel = static_cast<const QLabel*>(widget());
    if (Which == QAccessible::Name) {
        return panel->accessibleName();
    }
    if (Which == QAccessible::Description) {
        return panel->toolTip().isEmpty() ? panel->text() : panel->toolTip();
    }
    return QAccessibleWidget::text(Which);
}

QAccessibleInterface* StatusPanel::Create(const QString& ClassName, QObject* Object)
{
    if (ClassName == QLatin1String(staticMetaObject.className()) && Object != nullptr && Object->isWidgetType()) {
        return new Accessible(static_cast<QWidget*>(Object));
    }
    return nullptr;
}

} // namespace quelm
