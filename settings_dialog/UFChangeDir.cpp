#include "settings_dialog/UFChangeDir.h"

#include "settings_dialog/FormParts.h"

#include <QDir>
#include <QFileIconProvider>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

TFChangeDir* FChangeDir = nullptr;

namespace {

constexpr int PathRole = Qt::UserRole;
// Set on an item once its subfolders have been listed.
constexpr int ListedRole = Qt::UserRole + 1;

// A right click selects the item under the pointer, as a left click does.
class TFolderTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) {
                setCurrentItem(item);
            }
            return;
        }
        QTreeWidget::mousePressEvent(event);
    }
};

} // namespace

QString PicturesPrompt() {
    return TFChangeDir::tr("Выбирите каталог, содержащий  изображения:");
}

QString MusicPrompt() {
    return TFChangeDir::tr("Выбирите каталог, содержащий  музыку:");
}

TFChangeDir::TFChangeDir(QWidget* parent) : QDialog(parent) {
    FChangeDir = this;
    setWindowTitle(tr("Обзор папок"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(SansFont(11));
    setFixedSize(291, 299);
    move(192, 114);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    Label1 = PlaceLabel(this, PicturesPrompt(), 8, 16);

    ShellTreeView1 = new TFolderTree(this);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setGeometry(0, 56, 289, 212);
    ShellTreeView1->setHeaderHidden(true);
    ShellTreeView1->setIndentation(19);
    ShellTreeView1->setAutoFillBackground(true);
    ShellTreeView1->setBackgroundRole(QPalette::Base);
    connect(ShellTreeView1, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { ListSubfolders(item); });
    AddFolderItem(nullptr, QDir::homePath(), QDir::home().dirName());
    AddFolderItem(nullptr, QDir::rootPath(), QDir::rootPath());

    Panel1 = new TPanel(this);
    Panel1->setGeometry(0, height() - 31, width(), 31);
    BOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), Panel1);
    BOk->setGeometry(128, 2, 75, 25);
    BOk->setDefault(true);
    connect(BOk, &QPushButton::clicked, this, [this] {
        BOkClick(BOk);
        accept();
    });
    bCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Отмена"), Panel1);
    bCancel->setGeometry(208, 2, 75, 25);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(ShellTreeView1, BOk);
    setTabOrder(BOk, bCancel);
    ShellTreeView1->setFocus();
}

TFChangeDir::~TFChangeDir() {
    if (FChangeDir == this) {
        FChangeDir = nullptr;
    }
}

QTreeWidgetItem* TFChangeDir::AddFolderItem(QTreeWidgetItem* parent, const QString& path,
                                            const QString& text) {
    static const QFileIconProvider icons;
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(ShellTreeView1);
    item->setText(0, text);
    item->setIcon(0, icons.icon(QFileIconProvider::Folder));
    item->setData(0, PathRole, path);
    // Whether there is anything below is found out when the folder is opened.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void TFChangeDir::ListSubfolders(QTreeWidgetItem* item) {
    if (item->data(0, ListedRole).toBool()) {
        return;
    }
    item->setData(0, ListedRole, true);
    const QDir folder(item->data(0, PathRole).toString());
    const QStringList names =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        AddFolderItem(item, folder.filePath(name), name);
    }
    item->setChildIndicatorPolicy(names.isEmpty() ? QTreeWidgetItem::DontShowIndicator
                                                  : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QString TFChangeDir::SelectedPath() const {
    // The tree makes its first row current when it gets the focus, without selecting it.
    const QList<QTreeWidgetItem*> selected = ShellTreeView1->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->data(0, PathRole).toString();
}

void TFChangeDir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFChangeDir::FormShow() {
    if (!FForPictures) {
        Label1->setText(MusicPrompt());
        Label1->adjustSize();
    }
}

void TFChangeDir::BOkClick(QObject*) {
    FChosenPath = SelectedPath();
}
