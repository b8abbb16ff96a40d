#include "window/InstallationDialog.h"

#include "window/DesktopStyle.h"
#include "window/DialogParts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

InstallationDialog::InstallationDialog(const QString& question, const std::vector<Row>& rows, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("InstallationDialog"));
    setWindowTitle(QStringLiteral("Tessera – Windows-Installation wählen"));
    QLabel* text = wrappedText(question, this);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("installations"));
    list_->setAccessibleName(QStringLiteral("Windows-Installationen"));
    const bool disks = !rows.empty() && !rows.front().disk.isEmpty();
    QStringList headers{QStringLiteral("Partition"), QStringLiteral("Größe"), QStringLiteral("Bezeichnung"),
                        QStringLiteral("Windows")};
    if (disks) headers.prepend(QStringLiteral("Datenträger"));
    list_->setHeaderLabels(headers);
    list_->setRootIsDecorated(false);
    list_->setAllColumnsShowFocus(true);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    const int first = disks ? 1 : 0;
    for (const Row& row : rows) {
        QStringList columns{row.partition, row.size, row.label, row.windows};
        if (disks) columns.prepend(row.disk);
        auto* item = new QTreeWidgetItem(list_, columns);
        item->setTextAlignment(first, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(first + 1, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int column = 0; column < list_->columnCount(); ++column) list_->resizeColumnToContents(column);
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    text->setBuddy(list_);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    const int wide = list_->header()->length() + 2 * list_->frameWidth() + 24;
    list_->setMinimumWidth(std::min(wide, 720));
    list_->setMinimumHeight(list_->sizeHintForRow(0) * (int(rows.size()) + 2) + list_->header()->sizeHint().height());
    useDesktopStyle(this);
    list_->setFocus();
}

int InstallationDialog::chosen() const
{
    QTreeWidgetItem* item = list_->currentItem();
    return item ? list_->indexOfTopLevelItem(item) : 0;
}
