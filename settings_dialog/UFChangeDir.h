#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The folder chooser: a small modal dialog with a folder tree. Its OK keeps the selected folder as the
// chosen path and ends the dialog with the OK result; Cancel and Esc end it with the Cancel result.
//
// The tree stands in for the desktop of a shell: its top level holds the user's home folder and the
// file-system root, and below them folders only, sorted by name, each level listed when it is first opened.
class TFChangeDir : public QDialog {
    Q_OBJECT
public:
    explicit TFChangeDir(QWidget* parent = nullptr);
    ~TFChangeDir() override;

    // True: the pictures prompt; false (as created): the music prompt.
    bool FForPictures = false;

    void FormShow();
    void BOkClick(QObject* Sender);

    // The full path of the selected folder, or empty when nothing is selected.
    QString SelectedPath() const;
    // The path that was selected when OK was pressed; empty before.
    QString ChosenPath() const { return FChosenPath; }

    QLabel* Label1 = nullptr;
    QTreeWidget* ShellTreeView1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* bCancel = nullptr;

    // Lists the subfolders of a folder item, once; the tree does it when the item is opened.
    void ListSubfolders(QTreeWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* parent, const QString& path, const QString& text);

    QString FChosenPath;
};

// The chooser while it exists.
extern TFChangeDir* FChangeDir;

// The prompts of the two modes.
QString PicturesPrompt();
QString MusicPrompt();
