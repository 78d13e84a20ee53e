// TMainForm: the main window. It owns the open project, offers every project
// command through one table of actions, and hosts the string grid.
#pragma once

#include "uRecent.h"
#include "uStringGrid.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QSettings;
class QTableView;
class QTimer;
class TAboutBox;
class TChooseLangDlg;
class TItemEditDialog;
class TPrjOptionsDialog;
class TProblemsDock;
class TPrompts;
class TResLanguageItem;
class TResProject;
class TResStringItem;
class TResStringList;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Creates the window and, after it, the four dialogs it reuses.
    explicit TMainForm(TPrompts& prompts, QWidget* parent = nullptr);
    ~TMainForm() override;

    TResProject* CurrentProject() const { return m_CurrentProject.get(); }
    // Where "template.rpr" is looked for; by default the program's folder.
    void SetTemplateDir(const QString& dir) { m_TemplateDir = dir; }
    QString TemplatePath() const;

    TChooseLangDlg* ChooseLangDlg() const { return m_ChooseLangDlg; }
    TItemEditDialog* ItemEditDialog() const { return m_ItemEditDialog; }
    TPrjOptionsDialog* PrjOptionsDialog() const { return m_PrjOptionsDialog; }
    TAboutBox* AboutBox() const { return m_AboutBox; }
    QTableView* ListView() const { return m_ListView; }
    TProblemsDock* ProblemsDock() const { return m_ProblemsDock; }
    TStringGridModel* GridModel() const { return m_Grid; }

    // Re-evaluates the enabled state of every action (the idle handler).
    void UpdateActions();
    void UpdateStatusBar();
    // A note beside the status panels that goes away after a few seconds.
    void ShowStatusMessage(const QString& text);
    static constexpr int kStatusMessageMs = 5000;

    // Runs a command: the silent abort ends it quietly, any other error is
    // shown in the standard error box. No exception leaves it.
    void RunCommand(const std::function<void()>& body);
    // The problem list checks the project again, when it is shown.
    void RefreshProblems();

    // Remembers the recent projects, the window's place and the column widths
    // there (not owned; without settings nothing is remembered). Restores the
    // window's place.
    void SetSettings(QSettings* settings);
    // Opens the project at path as Open Project does once the file is chosen:
    // the open project is closed first (with its question), errors are shown.
    // Used for the file named on the command line, a dropped file and the
    // recent projects.
    void OpenProjectFile(const QString& path);
    const QStringList& RecentProjects() const { return m_RecentProjects.Items(); }

protected:
    void closeEvent(QCloseEvent* event) override; // FormCloseQuery
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateProblemsDock(); // with its View menu
    QAction* MakeAction(const char* name, const char* category, const char* caption, int image,
                        void (TMainForm::*handler)());

    // Execute handlers of the actions.
    void actNewProjectExecute();
    void actOpenProjectExecute();
    void actSaveProjectExecute();
    void actSaveProjectAsExecute();
    void actCloseProjectExecute();
    void actExitAppExecute();
    void actShowLanguagesExecute();
    void actProjectOptionsExecute();
    void actProjectRenumberIdExecute();
    void actSaveResFilesExecute();
    void miAboutClick();
    void actFindExecute();
    void actNextUntranslatedExecute();

    // The find filter above the grid.
    void ApplyFilter();
    void HideFilter();
    // The language Next Untranslated looks at: the one last edited in the
    // item editor, else the rightmost language column.
    const TResLanguageItem* UntranslatedLanguage() const;
    // After the languages changed: columns of removed languages go, the rest
    // are retitled; idMap gives the new ID of each old one (empty: kept).
    void FollowLanguages(const std::vector<int32_t>& idMap);

    // Project commands; they raise EAbort when the user cancels.
    void CloseProject();
    void NewProject();
    void OpenProject();
    void SaveProject(bool saveAs);
    void LoadProject(const QString& path);

    // Recent projects, remembered widths.
    void UpdateRecentMenu();
    void OpenRecentProject(const QString& path);
    void StoreColumnWidths();
    static QString DroppedProject(const QMimeData* data);

    // Marking the changes that the model's list operations do not mark.
    using TNumbering = std::vector<std::pair<const TResStringItem*, int32_t>>;
    static TNumbering NumberingOf(const TResStringList& strings);
    void MarkModified();
    void MarkModifiedIfChanged(const TNumbering& before);

    // The grid.
    void RebuildListView();
    void AddColumn(const TColumnTag& tag);
    void RemoveColumn(const TResLanguageItem& language);
    int SelectedRow() const;
    void ListViewKeyDown(int key);
    void ListViewDblClick();
    void EditSelectedItem();
    void SelectRow(int row);

    TPrompts& m_Prompts;
    std::unique_ptr<TResProject> m_CurrentProject;
    QString m_TemplateDir;
    QSettings* m_Settings = nullptr; // not owned
    TRecentProjects m_RecentProjects;
    QMenu* m_RecentMenu = nullptr;

    QTableView* m_ListView = nullptr;
    TStringGridModel* m_Grid = nullptr;
    QLabel* m_StatusPanel0 = nullptr;
    QLabel* m_StatusPanel1 = nullptr;
    TProblemsDock* m_ProblemsDock = nullptr;
    bool m_RefreshProblems = true; // false while a key runs that changes nothing
    QLabel* m_StatusMessage = nullptr;
    QTimer* m_StatusMessageTimer = nullptr;
    static constexpr int kOuterWidth = 584;
    static constexpr int kOuterHeight = 441;
    bool m_OuterSizeSet = false;

    QAction* m_actNewProject = nullptr;
    QAction* m_actOpenProject = nullptr;
    QAction* m_actSaveProject = nullptr;
    QAction* m_actSaveProjectAs = nullptr;
    QAction* m_actCloseProject = nullptr;
    QAction* m_actExitApp = nullptr;
    QAction* m_actShowLanguages = nullptr;
    QAction* m_actProjectOptions = nullptr;
    QAction* m_actProjectRenumberId = nullptr;
    QAction* m_actSaveResFiles = nullptr;
    QAction* m_actFind = nullptr;
    QAction* m_actNextUntranslated = nullptr;

    QWidget* m_FilterBar = nullptr;
    QLineEdit* m_edFilter = nullptr;
    QString m_LastEditedLanguageId;

    TChooseLangDlg* m_ChooseLangDlg = nullptr;
    TItemEditDialog* m_ItemEditDialog = nullptr;
    TPrjOptionsDialog* m_PrjOptionsDialog = nullptr;
    TAboutBox* m_AboutBox = nullptr;
};
