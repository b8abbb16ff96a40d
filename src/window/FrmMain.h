#pragma once

#include "window/ControlArray.h"
#include "window/Controls.h"

#include <QDialog>
#include <QStringList>

class QMimeData;

#include <functional>

// The program's one window with all 41 controls of its design.
class FrmMain : public QDialog {
    Q_OBJECT
public:
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    ControlArray<Frame> fmTab{QStringLiteral("fmTab")};
    ControlArray<Label> lblHeader{QStringLiteral("lblHeader")};
    ControlArray<CommandButton> cmdMain{QStringLiteral("cmdMain")};
    ControlArray<TextBox> tbSound{QStringLiteral("tbSound")};
    ControlArray<CheckBox> Check1{QStringLiteral("Check1")};

    TabStrip* tabMain = nullptr;
    MultiLineTextBox* txtInfo = nullptr;
    ComboBox* cmbIO = nullptr;
    ComboBox* cmbL2 = nullptr;
    Frame* Frame1 = nullptr;
    Frame* Frame2 = nullptr;
    Label* Label1 = nullptr;
    Shape* shHeader = nullptr;
    Image* imgHeader = nullptr;

    // The outer size in twips, frame included: the original platform's fixed
    // dialog frame is 3 px on each side with a 19 px caption.
    void setOuterSize(int widthTwips, int heightTwips);
    int ScaleWidth() const { return width(); }
    int ScaleHeight() const { return height(); }
    static constexpr int kFrameWidth = 3;
    static constexpr int kCaptionHeight = 19;

    // The controls that show a machine's facts (the report, the check boxes,
    // the two lists, the sound names) as the window was built, enabled, with
    // no Click raised: what another machine shown next lacks is not shown
    // from the one before.
    void restoreDesignValues();

    // The files of a drag, when it carries local files and nothing else; empty otherwise.
    static QStringList droppedFiles(const QMimeData* data);

Q_SIGNALS:
    // Files or folders were dropped on the window (or any control on it).
    void FilesDropped(const QStringList& paths);

protected:
    // Enter clicks "OK" from every control but a command button; Esc clicks "Abbrechen".
    // Ctrl+Tab and Ctrl+PageDown select the next page's tab, Ctrl+Shift+Tab and
    // Ctrl+PageUp the previous one, wrapping, wherever the focus is.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Files dragged onto the window itself (its controls pass theirs through eventFilter).
    bool event(QEvent* event) override;

private:
    bool switchPage(const QKeyEvent* key);
    // A drag event for the window, wherever on it; false when it carries no files.
    bool takeDrag(QEvent* event);
};

// The one window, created on first use; creating it raises its load event
// (the handler set below) before frmMain() returns.
FrmMain& frmMain();
bool frmMainExists();
void setFrmMainLoadHandler(std::function<void(FrmMain&)> handler);
// Destroys the window, so that the next frmMain() creates and loads a new one.
void unloadFrmMain();
