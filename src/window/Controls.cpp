#include "window/Controls.h"

#include "runtime/RuntimeError.h"
#include "window/Accessibility.h"

#include <QAccessible>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionTabWidgetFrame>

Label::Label(QWidget* parent) : QLabel(parent)
{
    setAutoFillBackground(true);  // labels are opaque
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
}

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent)
{
    setTristate(true);  // code may set the greyed value
    connect(this, &QCheckBox::stateChanged, this, [this] { Q_EMIT Click(); });
}

std::int16_t CheckBox::value() const
{
    switch (checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void CheckBox::setValue(std::int16_t value)
{
    switch (value) {
    case 0: setCheckState(Qt::Unchecked); break;
    case 1: setCheckState(Qt::Checked); break;
    case 2: setCheckState(Qt::PartiallyChecked); break;
    default: throw runtime::RuntimeError::invalidPropertyValue();
    }
}

void CheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}

bool CheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);  // Enter belongs to the default button
}

QString ComboBox::text() const
{
    return currentText();
}

void ComboBox::setText(const QString& text)
{
    setEditText(text);
}

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
}

MultiLineTextBox::MultiLineTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);  // Tab leaves the box along the window's order instead of typing a TAB
    viewport()->setCursor(Qt::ArrowCursor);
}

QString MultiLineTextBox::text() const
{
    QString text = toPlainText();
    text.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    return text;
}

void MultiLineTextBox::setText(const QString& text)
{
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(plain);
}

Frame::Frame(QWidget* parent) : QGroupBox(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void Frame::setBorderless(bool borderless)
{
    borderless_ = borderless;
    update();
}

void Frame::paintEvent(QPaintEvent* event)
{
    if (!borderless_)
        QGroupBox::paintEvent(event);
}

CommandButton::CommandButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(true);  // the focused button takes Enter and the default frame
    connect(this, &QPushButton::clicked, this, [this] { Q_EMIT Click(); });
}

void CommandButton::initStyleOption(QStyleOptionButton* option) const
{
    QPushButton::initStyleOption(option);
    // The classic style leaves room for the default frame around every
    // auto-default button; only the default one has the frame, the others
    // fill their whole rectangle.
    if (isDefault())
        option->features |= QStyleOptionButton::AutoDefaultButton;
    else
        option->features &= ~QStyleOptionButton::AutoDefaultButton;
}

TabStrip::TabStrip(QWidget* parent) : QTabBar(parent)
{
    installAccessibility();
    setExpanding(false);
    setDrawBase(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        announceCurrentTab(index);
        Q_EMIT Click();
    });
}

void TabStrip::announceCurrentTab(int index)
{
    if (!QAccessible::isActive()) return;
    // The tab left and the tab chosen changed their selected state.
    QAccessible::State selected;
    selected.selected = true;
    for (int tab : {previousIndex_, index}) {
        if (tab < 0 || tab >= count()) continue;
        QAccessibleStateChangeEvent changed(this, selected);
        changed.setChild(tab);
        QAccessible::updateAccessibility(&changed);
    }
    if (hasFocus() && index >= 0) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(index);
        QAccessible::updateAccessibility(&focus);
    }
    previousIndex_ = index;
}

std::int16_t TabStrip::selectedIndex() const
{
    return static_cast<std::int16_t>(currentIndex() + 1);
}

std::int16_t TabStrip::tabCount() const
{
    return static_cast<std::int16_t>(count());
}

QSize TabStrip::minimumSizeHint() const
{
    return {0, 0};
}

void TabStrip::paintEvent(QPaintEvent* event)
{
    // The panel below the row of tabs, then the tabs over its top edge.
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int tabHeight = count() > 0 ? tabRect(0).height() : 0;
    frame.rect = rect().adjusted(0, tabHeight - 2, 0, 0);
    frame.shape = shape();
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
    painter.end();
    QTabBar::paintEvent(event);
}

Shape::Shape(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

Image::Image(QWidget* parent) : QLabel(parent)
{
    setFocusPolicy(Qt::NoFocus);
}
