#include "FormAccessibility.h"

#include "DateTimeStatusBar.h"
#include "LampWidget.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <array>

namespace {

const std::array<QString, 3> PanelNames {QStringLiteral("日付"), QStringLiteral("時刻"), QStringLiteral("お知らせ")};

class LampAccessible final : public QAccessibleWidget {
public:
    explicit LampAccessible(LampWidget *lamp) : QAccessibleWidget(lamp, QAccessible::Indicator) {}

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? LampStateText(lamp()->isLit()) : QAccessibleWidget::text(kind);
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

// One panel of a status bar: no object of its own, owned by the bar's interface.
class StatusPanelAccessible final : public QAccessibleInterface {
public:
    StatusPanelAccessible(DateTimeStatusBar *bar, int panel) : m_bar(bar), m_panel(panel) {}

    bool isValid() const override { return !m_bar.isNull(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return isValid() ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_bar.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        switch (kind) {
        case QAccessible::Name:
            return PanelNames[size_t(m_panel)];
        case QAccessible::Value:
            return m_bar->PanelText(m_panel);
        default:
            return {};
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State current;
        current.readOnly = true;
        current.invisible = !isValid() || !m_bar->isVisible() || m_panel >= m_bar->PanelCount();
        return current;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect panel = m_bar->PanelRect(m_panel);
        return QRect(m_bar->mapToGlobal(panel.topLeft()), panel.size());
    }

private:
    QPointer<DateTimeStatusBar> m_bar;
    int m_panel;
};

class StatusBarAccessible final : public QAccessibleWidget {
public:
    explicit StatusBarAccessible(DateTimeStatusBar *bar) : QAccessibleWidget(bar, QAccessible::StatusBar)
    {
        for (size_t panel = 0; panel < m_panels.size(); ++panel)
            m_panels[panel] = QAccessible::registerAccessibleInterface(new StatusPanelAccessible(bar, int(panel)));
    }
    ~StatusBarAccessible() override
    {
        for (QAccessible::Id id : m_panels)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar()->PanelCount(); }
    QAccessibleInterface *child(int index) const override
    {
        return index >= 0 && index < childCount() ? QAccessible::accessibleInterface(m_panels[size_t(index)]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (int index = 0; index < childCount(); ++index) {
            if (QAccessible::accessibleInterface(m_panels[size_t(index)]) == child)
                return index;
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int index = 0; index < childCount(); ++index) {
            QAccessibleInterface *panel = child(index);
            if (panel->rect().contains(x, y))
                return panel;
        }
        return nullptr;
    }

private:
    DateTimeStatusBar *bar() const { return static_cast<DateTimeStatusBar *>(widget()); }

    std::array<QAccessible::Id, 3> m_panels {};
};

QAccessibleInterface *FormAccessibleFactory(const QString &className, QObject *object)
{
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    if (className == u"frmMain")
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    if (className == u"LampWidget")
        return new LampAccessible(static_cast<LampWidget *>(object));
    if (className == u"DateTimeStatusBar")
        return new StatusBarAccessible(static_cast<DateTimeStatusBar *>(object));
    return nullptr;
}

} // namespace

void InstallFormAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(FormAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString LampStateText(bool lit)
{
    return lit ? QStringLiteral("点灯") : QStringLiteral("消灯");
}
