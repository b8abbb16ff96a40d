#include "window/Accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QTabBar>

namespace {

class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabAccessible(QTabBar* strip, int index) : strip_(strip), index_(index) {}

    bool isValid() const override { return strip_ && index_ < strip_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(strip_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? strip_->tabText(index_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const bool current = strip_->currentIndex() == index_;
        s.focusable = true;
        s.selectable = true;
        s.selected = current;
        s.focused = current && strip_->hasFocus();
        s.invisible = !strip_->isVisible();
        s.disabled = !strip_->isEnabled() || !strip_->isTabEnabled(index_);
        return s;
    }
    QRect rect() const override
    {
        if (!isValid()) return {};
        const QRect tab = strip_->tabRect(index_);
        return {strip_->mapToGlobal(tab.topLeft()), tab.size()};
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (isValid() && name == pressAction()) strip_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTabBar> strip_;
    int index_;
};

class TabStripAccessible : public QAccessibleWidget {
public:
    explicit TabStripAccessible(QTabBar* strip) : QAccessibleWidget(strip, QAccessible::PageTabList) {}
    ~TabStripAccessible() override
    {
        for (QAccessible::Id id : std::as_const(tabs_)) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return strip()->count(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= strip()->count()) return nullptr;
        if (const QAccessible::Id id = tabs_.value(index)) return QAccessible::accessibleInterface(id);
        auto* tab = new TabAccessible(strip(), index);
        tabs_.insert(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < strip()->count(); ++i)
            if (tabs_.value(i) && QAccessible::accessibleInterface(tabs_.value(i)) == child) return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const int index = strip()->tabAt(strip()->mapFromGlobal(QPoint(x, y)));
        return index >= 0 ? child(index) : nullptr;
    }

private:
    QTabBar* strip() const { return static_cast<QTabBar*>(widget()); }
    mutable QHash<int, QAccessible::Id> tabs_;
};

// A widget that hands the keyboard focus to another (its focus proxy) is
// focused only when it is the focus widget itself; the toolkit reports it
// focused together with the widget it hands the focus to.
class ProxyingAccessible : public QAccessibleWidget {
public:
    ProxyingAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focused = QApplication::focusWidget() == widget();
        return s;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("TabStrip")) return new TabStripAccessible(static_cast<QTabBar*>(object));
    if (className == QLatin1String("QDialogButtonBox"))
        return new ProxyingAccessible(static_cast<QWidget*>(object), QAccessible::Grouping);
    return nullptr;
}

}  // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}
