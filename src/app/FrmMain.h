#pragma once

#include "ControlArray.h"
#include "Controls.h"

#include <QDialog>

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
};

// The one window, created on first use; creating it raises its load event
// (the handler set below) before frmMain() returns.
FrmMain& frmMain();
bool frmMainExists();
void setFrmMainLoadHandler(std::function<void(FrmMain&)> handler);
// Destroys the window, so that the next frmMain() creates and loads a new one.
void unloadFrmMain();
