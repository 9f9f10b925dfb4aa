#include "FormAccessibility.h"

#include "LampWidget.h"

#include <QAccessibleWidget>

namespace {

class LampAccessible final : public QAccessibleWidget {
public:
    explicit LampAccessible(LampWidget *lamp) : QAccessibleWidget(lamp, QAccessible::Indicator) {}

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? lampStateText(lamp()->isLit()) : QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State current = QAccessibleWidget::state();
        current.checkable = true;
        current.checked = lamp()->isLit();
        return current;
    }

private:
    LampWidget *lamp() const { return static_cast<LampWidget *>(widget()); }
};

QAccessibleInterface *formAccessibleFactory(const QString &className, QObject *object)
{
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    if (className == u"frmMain")
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    if (className == u"LampWidget")
        return new LampAccessible(static_cast<LampWidget *>(object));
    return nullptr;
}

} // namespace

void installFormAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(formAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString lampStateText(bool lit)
{
    return lit ? QStringLiteral("点灯") : QStringLiteral("消灯");
}
