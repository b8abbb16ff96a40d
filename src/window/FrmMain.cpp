#include "window/FrmMain.h"

#include "window/Contrast.h"
#include "window/FrmMainDesign.h"
#include "window/WindowFonts.h"

#include <QFile>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {

// The pictures, compiled in: an XPM array becomes an image without the image
// reader, whose first use scans every image format plug-in (about 1 ms at start).
#include "resources/header.xpm"
#include "resources/icons/tessera-16.xpm"
#include "resources/icons/tessera-32.xpm"
#include "resources/icons/tessera-48.xpm"
#include "resources/icons/tessera-64.xpm"
#include "resources/icons/tessera-72.xpm"

// COLOR_BACKGROUND, the desktop, has no palette role: the standard scheme's value.
const QColor kDesktopColour(0x3A, 0x6E, 0xA5);

// The standard scheme's text colour of a role, for a fixed background on which
// the desktop scheme's colour would be unreadable.
QColor standardColour(TextRole role)
{
    return role == TextRole::DesktopText ? kDesktopColour : QColor(Qt::black);
}

QFont tahoma(int pixels, bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QWidget* createControl(const ControlDesign& row, QWidget* parent)
{
    switch (row.kind) {
    case ControlKind::Label: {
        auto* label = new Label(parent);
        label->setCaption(row.caption);
        return label;
    }
    case ControlKind::CheckBox: {
        auto* box = new CheckBox(parent);
        box->setText(row.caption);
        return box;
    }
    case ControlKind::ComboBox: return new ComboBox(parent);
    case ControlKind::TextBox: {
        auto* box = new TextBox(parent);
        box->setText(row.caption);
        box->setCursorPosition(0);
        return box;
    }
    case ControlKind::MultiLineTextBox: {
        auto* box = new MultiLineTextBox(parent);
        box->setText(row.caption);
        return box;
    }
    case ControlKind::Frame: {
        auto* frame = new Frame(parent);
        frame->setCaption(row.caption);
        return frame;
    }
    case ControlKind::CommandButton: {
        auto* button = new CommandButton(parent);
        button->setText(row.caption);
        return button;
    }
    case ControlKind::TabStrip: return new TabStrip(parent);
    case ControlKind::Shape: return new Shape(parent);
    case ControlKind::Image: return new Image(parent);
    }
    return nullptr;
}

void applyLook(const ControlDesign& row, QWidget* widget)
{
    if (row.fontPixels != 0)
        widget->setFont(tahoma(row.fontPixels, row.bold));
    if (row.textRole != TextRole::ButtonText && row.textRole != TextRole::DesktopText && !row.whiteBackground)
        return;  // the inherited palette is already the right one
    QPalette palette = widget->palette();
    QColor text = palette.color(QPalette::WindowText);
    switch (row.textRole) {
    case TextRole::Default: break;
    case TextRole::ButtonText: text = palette.color(QPalette::ButtonText); break;
    case TextRole::WindowText: break;
    case TextRole::DesktopText: text = kDesktopColour; break;
    }
    if (row.whiteBackground) {
        palette.setColor(QPalette::Window, Qt::white);
        // The band is white whatever the scheme; a dark scheme's light text would vanish on it.
        if (contrastRatio(text, Qt::white) < kMinimumContrast)
            text = standardColour(row.textRole);
    }
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

void fillList(ComboBox* box, int first, int last, int step, bool doubling)
{
    for (int v = first; v <= last; v = doubling ? v * 2 : v + step)
        box->addItem(QString::number(v), 0);  // every entry's data is 0
    box->setCurrentIndex(-1);
    box->setEditText(QString());
}

FrmMain* theWindow = nullptr;
std::function<void(FrmMain&)> loadHandler;

}  // namespace

FrmMain::FrmMain(QWidget* parent) : QDialog(parent)
{
    useWindowFonts();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tessera"));
    // Fixed dialog frame: a caption and a close button, nothing to minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFont(tahoma(kWindowFontPixels, false));
    setSizeGripEnabled(false);
    setFixedSize(kDesignClientWidth, kDesignClientHeight);

    QIcon icon;
    for (const char* const* picture : {tessera_16_xpm, tessera_32_xpm, tessera_48_xpm, tessera_64_xpm, tessera_72_xpm})
        icon.addPixmap(QPixmap::fromImage(QImage(picture)));
    setWindowIcon(icon);

    QHash<QString, QWidget*> byName;
    std::vector<std::pair<int, QWidget*>> tabOrder;
    const auto& design = frmMainDesign();
    for (const ControlDesign& row : design) {
        QWidget* container = *row.container ? byName.value(QString::fromLatin1(row.container)) : this;
        QWidget* widget = createControl(row, container);
        const QString objectName = controlObjectName(row.name, row.index);
        widget->setObjectName(objectName);
        widget->setGeometry(row.left, row.top, row.width, row.height);
        widget->setAccessibleName(accessibleNameOf(row));
        applyLook(row, widget);
        byName.insert(objectName, widget);
        if (row.tabPosition >= 0 && widget->focusPolicy() != Qt::NoFocus)
            tabOrder.emplace_back(row.tabPosition, widget);

        const QString name = QString::fromLatin1(row.name);
        if (name == u"fmTab") fmTab.add(row.index, static_cast<Frame*>(widget));
        else if (name == u"lblHeader") lblHeader.add(row.index, static_cast<Label*>(widget));
        else if (name == u"cmdMain") cmdMain.add(row.index, static_cast<CommandButton*>(widget));
        else if (name == u"tbSound") tbSound.add(row.index, static_cast<TextBox*>(widget));
        else if (name == u"Check1") Check1.add(row.index, static_cast<CheckBox*>(widget));
        else if (name == u"tabMain") tabMain = static_cast<TabStrip*>(widget);
        else if (name == u"txtInfo") txtInfo = static_cast<MultiLineTextBox*>(widget);
        else if (name == u"cmbIO") cmbIO = static_cast<ComboBox*>(widget);
        else if (name == u"cmbL2") cmbL2 = static_cast<ComboBox*>(widget);
        else if (name == u"Frame1") Frame1 = static_cast<Frame*>(widget);
        else if (name == u"Frame2") Frame2 = static_cast<Frame*>(widget);
        else if (name == u"Label1") Label1 = static_cast<Label*>(widget);
        else if (name == u"shHeader") shHeader = static_cast<Shape*>(widget);
        else if (name == u"imgHeader") imgHeader = static_cast<Image*>(widget);
    }
    // Rows are listed top of the stack first: raising them last-to-first leaves
    // the first row on top within its container.
    for (auto it = design.rbegin(); it != design.rend(); ++it)
        byName.value(controlObjectName(it->name, it->index))->raise();

    std::sort(tabOrder.begin(), tabOrder.end());
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);

    for (const char* tab : {"Info", "Start", "Speicher", "Sound"})
        tabMain->addTab(QString::fromLatin1(tab));
    tabMain->setCurrentIndex(0);

    // The three page frames other than "Start" are drawn without a border.
    for (std::int16_t i : {0, 2, 3})
        fmTab(i).setBorderless(true);

    fillList(cmbIO, 512, 16384, 512, false);
    fillList(cmbL2, 128, 4096, 0, true);

    QPalette info = txtInfo->palette();
    info.setColor(QPalette::Base, info.color(QPalette::ToolTipBase));
    info.setColor(QPalette::Text, info.color(QPalette::ToolTipText));
    txtInfo->setPalette(info);

    imgHeader->setPixmap(QPixmap::fromImage(QImage(header_xpm)));

    // Drawn and announced as the default button; Enter reaches it through eventFilter.
    cmdMain(kDefaultButton).setDefault(true);

    // Another machine is shown by dropping its disk or files on the window.
    setAcceptDrops(true);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    tabMain->setFocus();
}

FrmMain::~FrmMain() = default;

void FrmMain::setOuterSize(int widthTwips, int heightTwips)
{
    setFixedSize(widthTwips / 15 - kFrameWidth * 2, heightTwips / 15 - kFrameWidth * 2 - kCaptionHeight);
}

void FrmMain::restoreDesignValues()
{
    for (const ControlDesign& row : frmMainDesign()) {
        QWidget* widget = findChild<QWidget*>(controlObjectName(row.name, row.index));
        const QSignalBlocker quiet(widget);
        switch (row.kind) {
        case ControlKind::CheckBox: static_cast<CheckBox*>(widget)->setCheckState(Qt::Unchecked); break;
        case ControlKind::ComboBox: static_cast<ComboBox*>(widget)->setText(row.caption); break;
        case ControlKind::TextBox:
            static_cast<TextBox*>(widget)->setText(row.caption);
            static_cast<TextBox*>(widget)->setCursorPosition(0);
            break;
        case ControlKind::MultiLineTextBox: static_cast<MultiLineTextBox*>(widget)->setText(row.caption); break;
        default: continue;
        }
        widget->setEnabled(true);
    }
}

QStringList FrmMain::droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() || url.toLocalFile().isEmpty()) return {};
        files << url.toLocalFile();
    }
    return files;
}

bool FrmMain::switchPage(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    int step = 0;
    if (modifiers == Qt::ControlModifier && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_PageDown)) step = 1;
    else if (modifiers == Qt::ControlModifier && key->key() == Qt::Key_PageUp) step = -1;
    else if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)
             && (key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Tab))
        step = -1;
    const int pages = tabMain->count();
    if (step == 0 || pages == 0) return false;
    // As a click on that tab: its change raises the strip's Click.
    tabMain->setCurrentIndex((tabMain->currentIndex() + step + pages) % pages);
    return true;
}

bool FrmMain::takeDrag(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (droppedFiles(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        if (files.isEmpty()) return false;
        drop->acceptProposedAction();
        // After the drag has ended: what the drop opens may ask in a dialog of its own.
        QMetaObject::invokeMethod(this, [this, files] { Q_EMIT FilesDropped(files); }, Qt::QueuedConnection);
        return true;
    }
    default: return false;
    }
}

bool FrmMain::event(QEvent* event)
{
    return takeDrag(event) || QDialog::event(event);
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event)
{
    // A control that takes drops of its own (an editable list's text) leaves files to the window.
    if (takeDrag(event)) return true;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (switchPage(key)) return true;
        const bool plain = key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && !qobject_cast<QPushButton*>(watched)) {
            cmdMain(kDefaultButton).click();
            return true;
        }
        if (plain && key->key() == Qt::Key_Escape) {
            cmdMain(kCancelButton).click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmMain::keyPressEvent(QKeyEvent* event)
{
    if (switchPage(event)) return;
    if (event->key() == Qt::Key_Escape) {
        cmdMain(kCancelButton).click();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdMain(kDefaultButton).click();
        return;
    }
    QDialog::keyPressEvent(event);
}

FrmMain& frmMain()
{
    if (!theWindow) {
        theWindow = new FrmMain;
        if (loadHandler)
            loadHandler(*theWindow);
    }
    return *theWindow;
}

bool frmMainExists()
{
    return theWindow != nullptr;
}

void setFrmMainLoadHandler(std::function<void(FrmMain&)> handler)
{
    loadHandler = std::move(handler);
}

void unloadFrmMain()
{
    delete theWindow;
    theWindow = nullptr;
}
