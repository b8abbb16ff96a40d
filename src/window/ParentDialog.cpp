#include "window/ParentDialog.h"

#include "window/DesktopStyle.h"
#include "window/DialogParts.h"
#include "window/FileChooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ParentDialog::ParentDialog(const QString& message, const QString& parentName, const QString& childFolder,
                           Attempt attempt, QWidget* parent)
    : QDialog(parent), attempt_(std::move(attempt)), parentName_(parentName), childFolder_(childFolder)
{
    setObjectName(QStringLiteral("ParentDialog"));
    setWindowTitle(QStringLiteral("Tessera – Basisabbild fehlt"));
    QLabel* text = wrappedText(message, this);
    refusal_ = refusalLine(this);

    auto* buttons = new QDialogButtonBox(this);
    auto* search = buttons->addButton(QStringLiteral("Basisabbild suchen …"), QDialogButtonBox::AcceptRole);
    search->setObjectName(QStringLiteral("search"));
    search->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(search, &QPushButton::clicked, this, &ParentDialog::search);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(refusal_);
    layout->addWidget(buttons);
    useDesktopStyle(this);
    adjustSize();  // the wrapped message's height
    search->setFocus();
}

void ParentDialog::search()
{
    const QString path = chooseExistingFile(
        this, QStringLiteral("Basisabbild \u201E%1\u201C suchen").arg(parentName_), childFolder_,
        {QStringLiteral("Datenträgerabbilder (*.vhd *.vhdx *.avhd *.avhdx *.vmdk *.vdi *.qcow2 *.qcow *.img "
                        "*.VHD *.VHDX *.AVHD *.AVHDX *.VMDK *.VDI *.QCOW2 *.IMG)"),
         QStringLiteral("Alle Dateien (*)")});
    if (path.isNull()) return;
    const QString why = attempt_(path);
    if (why.isNull()) {
        accept();
        return;
    }
    tellRefusal(refusal_, why);
}
