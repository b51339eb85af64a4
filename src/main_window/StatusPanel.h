#pragma once

#include <QAccessibleWidget>
#include <QLabel>

namespace quelm
{

// A panel of the status bar: assistive technology reads it by its name
// ("Segments") with what it shows as the description, where a plain
// label would give only one of the two. A panel that carries a tooltip
// (the whole text of a failure) describes itself by it.
class StatusPanel : public QLabel
{
    Q_OBJECT
  public:
    StatusPanel(const QString& Text, const QString& Name, QWidget* Parent);

  private:
    class Accessible : public QAccessibleWidget
    {
      public:
        explicit Accessible(QWidget* Panel);
        QString text(QAccessible::Text Which) const override;
    };
    static QAccessibleInterface* Create(const QString& ClassName, QObject* Object);
};

} // namespace quelm
