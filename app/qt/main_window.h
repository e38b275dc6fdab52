// The editor's one window: the package file's name with Open, Common
// Information, the list of versions, features or bugs with its commands,
// the selected record's summary, and Save / Cancel. It owns the package
// for as long as the program runs; a successful Save closes it.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "app/editor.h"
#include "app/qt/file_dialogs.h"
#include "dialogs/qt/services.h"
#include "package/model.h"
#include "support/byte_string.h"

class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace orv {

class RecordListModel;

// The real editor dialogs, owned by `owner`, showing their messages and
// opening their links through `ui`.
RecordEditors dialogEditors(const UiServices& ui, QWidget* owner = nullptr);

// Everything the main window asks of the world beyond its own widgets.
// The program hands in realMainWindowServices(); tests their own.
struct MainWindowServices {
    UiServices ui;           // message boxes, links, the size request
    FileChooser chooseFile;  // the Open and Save As dialogs
    RecordEditors editors;   // empty: the real dialogs, owned by the window
    // How long Save waits for another writer of the file.
    std::chrono::milliseconds saveLockWait = kSaveLockWait;
};
MainWindowServices realMainWindowServices();

class MainWindow : public QDialog {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowServices services = realMainWindowServices(), QWidget* parent = nullptr);
    ~MainWindow() override;

    // The package file named on the command line; loaded by initialize().
    void setFileName(const ByteString& name) { fileName_ = name; }
    // Loads the file set by setFileName, if any, and shows the Versions
    // list with its first row selected. Call once, before showing.
    void initialize();

    const Package& package() const { return doc_.package; }
    RecordKind currentKind() const;
    // The selected row, or -1.
    int selectedRow() const;

    // Reads a package file into the package; false (after telling the
    // user) when the file cannot be read. A file that is no package is
    // reported, its name still shown, and the package left as it was.
    bool loadPackageFile(const ByteString& name);
    // Rebuilds the list for the checked kind and selects its first row.
    void refreshList();
    // Enables the list commands and shows the summary for the selection.
    void updateSelectionState();

    // The commands of the buttons.
    void addCommand();
    void editCommand();
    void removeCommand();
    void moveUpCommand() { moveCommand(-1); }
    void moveDownCommand() { moveCommand(1); }
    void commonInfoCommand();
    void openCommand();
    void saveCommand();
    void aboutCommand();

private:
    void buildWidgets();
    void connectCommands();
    void selectRow(int row);
    void moveCommand(int delta);
    // The core's view of the window: the list model follows the package.
    EditorView view();
    EditorServices editorServices();

    EditorDocument doc_;
    ByteString fileName_;
    MainWindowServices services_;
    RecordListModel* model_ = nullptr;
    bool changingRows_ = false;

    QLineEdit* fileNameEdit_ = nullptr;
    QPushButton* openButton_ = nullptr;
    QPushButton* commonInfoButton_ = nullptr;
    QRadioButton* versionsRadio_ = nullptr;
    QRadioButton* featuresRadio_ = nullptr;
    QRadioButton* bugsRadio_ = nullptr;
    QListView* list_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* editButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* moveUpButton_ = nullptr;
    QPushButton* moveDownButton_ = nullptr;
    QPlainTextEdit* summaryEdit_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace orv
