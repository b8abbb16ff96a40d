#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QWidget>

#include <cstdint>

// Thin wrappers that give Qt's widgets the control semantics the program
// relies on. Everything else of QWidget (setEnabled, isVisible, ...) is used as is.

class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget* parent = nullptr);
    QString caption() const { return text(); }
    // A label is named by its text, also when code rewrites it (version, page title).
    void setCaption(const QString& caption)
    {
        setText(caption);
        setAccessibleName(caption);
    }
};

// Values 0 (unchecked), 1 (checked), 2 (greyed). Click is raised on every
// change of the value, by the user or by code, before the change returns.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CheckBox(QWidget* parent = nullptr);
    std::int16_t value() const;
    // Any value but 0, 1 and 2 fails with 380 and leaves the box as it was.
    void setValue(std::int16_t value);
Q_SIGNALS:
    void Click();
protected:
    void nextCheckState() override;  // a user's click toggles 0 <-> 1; greyed goes to 0
    bool hitButton(const QPoint& pos) const override;  // the whole control takes the click
};

// Editable drop-down combo box: the text field takes any text.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);
};

// Single-line text box.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
};

// Multi-line text box; its text uses CR LF line ends, as the program writes them.
class MultiLineTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MultiLineTextBox(QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);  // one assignment, replaces everything
};

class Frame : public QGroupBox {
    Q_OBJECT
public:
    explicit Frame(QWidget* parent = nullptr);
    QString caption() const { return title(); }
    void setCaption(const QString& caption) { setTitle(caption); }
    // A page frame may be drawn without any border or caption.
    void setBorderless(bool borderless);
protected:
    void paintEvent(QPaintEvent* event) override;
private:
    bool borderless_ = false;
};

// The window's default button is the one Enter clicks: the designed default,
// or the command button that has the focus (which then shows the default frame).
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
Q_SIGNALS:
    void Click();
protected:
    void initStyleOption(QStyleOptionButton* option) const override;
};

// A row of tabs; the pages are sibling frames, not children.
class TabStrip : public QTabBar {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);
    std::int16_t selectedIndex() const;  // 1-based
    std::int16_t tabCount() const;
    QSize minimumSizeHint() const override;
Q_SIGNALS:
    void Click();  // the selected tab changed, by mouse or keyboard
protected:
    void paintEvent(QPaintEvent* event) override;
private:
    void announceCurrentTab(int index);  // to screen readers
    int previousIndex_ = -1;
};

// An opaque rectangle.
class Shape : public QWidget {
    Q_OBJECT
public:
    explicit Shape(QWidget* parent = nullptr);
};

// A picture at its natural size.
class Image : public QLabel {
    Q_OBJECT
public:
    explicit Image(QWidget* parent = nullptr);
};
