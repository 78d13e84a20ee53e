#include "frmMain.h"

#include "dlgChooseLang.h"
#include "dlgItemEdit.h"
#include "dlgPrjOptions.h"
#include "fmeLang.h"
#include "fmeProblems.h"
#include "frmAbout.h"
#include "uCellTips.h"
#include "uDefaults.h"
#include "uErrors.h"
#include "uFileWrite.h"
#include "uImages.h"
#include "uOutputPaths.h"
#include "uProject.h"
#include "uPrompts.h"
#include "uQtText.h"
#include "uTextMatch.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

TMainForm::TMainForm(TPrompts& prompts, QWidget* parent) : QMainWindow(parent), m_Prompts(prompts)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setWindowIcon(Images::ProgramIcons());
    resize(kOuterWidth, kOuterHeight);
    m_TemplateDir = QCoreApplication::applicationDirPath();

    CreateActions();
    CreateMenus();
    CreateToolBar();

    m_Grid = new TStringGridModel(this);
    m_ListView = new TReportView(this);
    m_ListView->setObjectName(QStringLiteral("ListView"));
    m_ListView->setModel(m_Grid);
    m_ListView->setShowGrid(true);
    QPalette white = m_ListView->palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Text, Qt::black);
    m_ListView->setPalette(white);
    m_ListView->installEventFilter(this);
    connect(m_ListView, &QAbstractItemView::doubleClicked, this,
            [this] { RunCommand([this] { ListViewDblClick(); }); });
    m_ListView->setItemDelegate(new TCellTipDelegate(m_ListView));

    // The find filter, above the grid; shown by Find, hidden by Escape.
    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("Body"));
    m_FilterBar = new QWidget(body);
    m_FilterBar->setObjectName(QStringLiteral("FilterBar"));
    m_edFilter = new QLineEdit(m_FilterBar);
    m_edFilter->setObjectName(QStringLiteral("edFilter"));
    m_edFilter->setPlaceholderText(QStringLiteral("Text ID or text in a shown language"));
    m_edFilter->setClearButtonEnabled(true);
    m_edFilter->installEventFilter(this);
    auto* lblFilter = new QLabel(QStringLiteral("Find:"), m_FilterBar);
    lblFilter->setObjectName(QStringLiteral("lblFilter"));
    lblFilter->setBuddy(m_edFilter);
    auto* filterLayout = new QHBoxLayout(m_FilterBar);
    filterLayout->setContentsMargins(4, 2, 4, 2);
    filterLayout->addWidget(lblFilter);
    filterLayout->addWidget(m_edFilter, 1);
    m_FilterBar->hide();
    connect(m_edFilter, &QLineEdit::textChanged, this, [this] { RunCommand([this] { ApplyFilter(); }); });
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    bodyLayout->addWidget(m_FilterBar);
    bodyLayout->addWidget(m_ListView, 1);
    setCentralWidget(body);
    m_ListView->hide();
    setAcceptDrops(true); // a project file dropped anywhere on the window opens

    CreateStatusBar();
    CreateProblemsDock();

    // Action states follow the project whenever the event loop goes idle.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TMainForm::UpdateActions);

    // The dialogs, created once after the main window and reused.
    m_ChooseLangDlg = new TChooseLangDlg(m_Prompts, this);
    m_ItemEditDialog = new TItemEditDialog(m_Prompts, this);
    m_PrjOptionsDialog = new TPrjOptionsDialog(m_Prompts, this);
    m_AboutBox = new TAboutBox(&ProgramVersionBlock(), this);

    UpdateActions();
    UpdateStatusBar();
}

TMainForm::~TMainForm() { m_Grid->Reset(nullptr); }

// ---------------------------------------------------------------------------
// Actions, menus, tool bar, status bar

QAction* TMainForm::MakeAction(const char* name, const char* category, const char* caption, int image,
                               void (TMainForm::*handler)())
{
    auto* action = new QAction(QString::fromLatin1(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty("Category", QString::fromLatin1(category));
    if (image >= 0) action->setIcon(Images::Command(static_cast<Images::TCommandImage>(image)));
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

void TMainForm::CreateActions()
{
    m_actNewProject = MakeAction("actNewProject", "File", "&New Project", 0, &TMainForm::actNewProjectExecute);
    m_actOpenProject = MakeAction("actOpenProject", "File", "&Open Project...", 1, &TMainForm::actOpenProjectExecute);
    m_actSaveProject = MakeAction("actSaveProject", "File", "&Save Project", 2, &TMainForm::actSaveProjectExecute);
    m_actSaveProjectAs =
        MakeAction("actSaveProjectAs", "File", "Save Project &As...", -1, &TMainForm::actSaveProjectAsExecute);
    m_actCloseProject = MakeAction("actCloseProject", "File", "&Close Project", -1, &TMainForm::actCloseProjectExecute);
    m_actExitApp = MakeAction("actExitApp", "File", "&Exit", -1, &TMainForm::actExitAppExecute);
    m_actShowLanguages =
        MakeAction("actShowLanguages", "Project", "&Show Languages...", -1, &TMainForm::actShowLanguagesExecute);
    m_actProjectOptions =
        MakeAction("actProjectOptions", "Project", "&Project Options...", 4, &TMainForm::actProjectOptionsExecute);
    m_actProjectRenumberId =
        MakeAction("actProjectRenumberId", "Project", "Sort &number IDs", -1, &TMainForm::actProjectRenumberIdExecute);
    m_actSaveResFiles =
        MakeAction("actSaveResFiles", "Project", "Save &Resource Files...", 3, &TMainForm::actSaveResFilesExecute);
    m_actFind = MakeAction("actFind", "Edit", "&Find...", -1, &TMainForm::actFindExecute);
    m_actFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m_actNextUntranslated =
        MakeAction("actNextUntranslated", "Edit", "Next &Untranslated", -1, &TMainForm::actNextUntranslatedExecute);
    m_actNextUntranslated->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
    for (QAction* a : {m_actFind, m_actNextUntranslated}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a); // the shortcuts work anywhere in the window
    }
}

void TMainForm::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto menu = [&](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    // Menu entries carry the action's caption, image and enabled state.
    auto item = [](QMenu* m, const char* name, QAction* action) {
        auto* entry = m->addAction(action->icon(), action->text());
        entry->setObjectName(QString::fromLatin1(name));
        entry->setEnabled(action->isEnabled());
        connect(action, &QAction::changed, entry, [entry, action] { entry->setEnabled(action->isEnabled()); });
        connect(entry, &QAction::triggered, action, &QAction::trigger);
    };
    auto separator = [](QMenu* m, const char* name) { m->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    QMenu* file = menu("miFile", "&File");
    item(file, "miFileNewProject", m_actNewProject);
    item(file, "miFileOpenProject", m_actOpenProject);
    m_RecentMenu = file->addMenu(QStringLiteral("&Recent Projects"));
    m_RecentMenu->menuAction()->setObjectName(QStringLiteral("miFileRecentProjects"));
    UpdateRecentMenu();
    separator(file, "miFileN1");
    item(file, "miFileSaveProject", m_actSaveProject);
    item(file, "miFileSaveProjectAs", m_actSaveProjectAs);
    item(file, "miFileCloseProject", m_actCloseProject);
    separator(file, "miFileN2");
    item(file, "miFileExit", m_actExitApp);

    QMenu* edit = menu("miEdit", "&Edit");
    item(edit, "miEditFind", m_actFind);
    item(edit, "miEditNextUntranslated", m_actNextUntranslated);
    // The entries show the keys; the keys themselves belong to the actions,
    // so an entry's key works only while its menu is open.
    const QList<QAction*> entries = edit->actions();
    for (int i = 0; i < entries.size(); ++i) {
        entries[i]->setShortcut((i == 0 ? m_actFind : m_actNextUntranslated)->shortcut());
        entries[i]->setShortcutContext(Qt::WidgetShortcut);
    }

    QMenu* project = menu("miProject", "&Project");
    item(project, "miProjectShowLanguages", m_actShowLanguages);
    item(project, "miProjectOptions", m_actProjectOptions);
    separator(project, "N1");
    item(project, "SortnumberIDs1", m_actProjectRenumberId);
    separator(project, "miProjectN1");
    item(project, "miProjectSaveRes", m_actSaveResFiles);

    QMenu* help = menu("miHelp", "&Help");
    QAction* about = help->addAction(QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("miAbout"));
    connect(about, &QAction::triggered, this, [this] { miAboutClick(); });
}

void TMainForm::CreateToolBar()
{
    auto* toolBar = addToolBar(QStringLiteral("ToolBar"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(16, 16));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->setFixedHeight(22);
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    auto button = [&](const char* name, QAction* action) {
        auto* b = new QToolButton(toolBar);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(action);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus); // Tab goes to the grid, not to Open or Save
        b->setToolTip(action->text().remove(u'&').remove(QStringLiteral("...")));
        toolBar->addWidget(b);
    };
    button("ToolButton1", m_actOpenProject);
    button("ToolButton2", m_actSaveProject);
    QAction* separator = toolBar->addSeparator();
    separator->setObjectName(QStringLiteral("ToolButton3"));
    QWidget* line = toolBar->widgetForAction(separator);
    line->setObjectName(QStringLiteral("ToolButton3"));
    line->setFixedWidth(8);
    button("ToolButton4", m_actSaveResFiles);
}

void TMainForm::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    auto panel = [&](const char* name) {
        auto* label = new QLabel(bar);
        label->setObjectName(QString::fromLatin1(name));
        label->setFixedWidth(80);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addWidget(label);
        return label;
    };
    m_StatusPanel0 = panel("StatusPanel0");
    m_StatusPanel1 = panel("StatusPanel1");
    // Feedback of a finished command, beside the panels, which stay as they are.
    m_StatusMessage = new QLabel(bar);
    m_StatusMessage->setObjectName(QStringLiteral("StatusMessage"));
    bar->addWidget(m_StatusMessage, 1);
    m_StatusMessageTimer = new QTimer(this);
    m_StatusMessageTimer->setSingleShot(true);
    connect(m_StatusMessageTimer, &QTimer::timeout, m_StatusMessage, &QLabel::clear);
}

void TMainForm::ShowStatusMessage(const QString& text)
{
    m_StatusMessage->setText(text);
    m_StatusMessageTimer->start(kStatusMessageMs);
}

void TMainForm::CreateProblemsDock()
{
    m_ProblemsDock = new TProblemsDock(this);
    connect(m_ProblemsDock, &TProblemsDock::ItemChosen, this, &TMainForm::SelectRow);
    connect(m_ProblemsDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible) RefreshProblems();
    });
    QMenu* view = new QMenu(QStringLiteral("&View"), menuBar());
    view->setObjectName(QStringLiteral("miView"));
    QAction* problems = m_ProblemsDock->toggleViewAction();
    problems->setObjectName(QStringLiteral("miViewProblems"));
    view->addAction(problems);
    QMenu* help = menuBar()->findChild<QMenu*>(QStringLiteral("miHelp"));
    menuBar()->insertMenu(help ? help->menuAction() : nullptr, view);
}

void TMainForm::RefreshProblems()
{
    if (m_ProblemsDock->isVisible()) m_ProblemsDock->Refresh(m_CurrentProject.get());
}

void TMainForm::UpdateActions()
{
    const bool open = m_CurrentProject != nullptr;
    // actSaveProjectUpdate: open and modified.
    m_actSaveProject->setEnabled(open && m_CurrentProject->Modified());
    // actSaveProjectAsUpdate: open.
    for (QAction* a : {m_actSaveProjectAs, m_actCloseProject, m_actShowLanguages, m_actProjectOptions,
                       m_actProjectRenumberId, m_actSaveResFiles, m_actFind})
        a->setEnabled(open);
    m_actNextUntranslated->setEnabled(open && m_Grid->rowCount() > 0);
}

void TMainForm::UpdateStatusBar()
{
    const bool modified = m_CurrentProject && m_CurrentProject->Modified();
    m_StatusPanel0->setText(modified ? QStringLiteral("Modified") : QString());
}

void TMainForm::RunCommand(const std::function<void()>& body)
{
    RunGuarded(m_Prompts, body);
    UpdateActions(); // the end of every command counts as an idle moment
    // Every change of the project comes through here.
    if (m_RefreshProblems) RefreshProblems();
}

// ---------------------------------------------------------------------------
// Commands

void TMainForm::actNewProjectExecute()
{
    RunCommand([this] { NewProject(); });
}
void TMainForm::actOpenProjectExecute()
{
    RunCommand([this] { OpenProject(); });
}
void TMainForm::actSaveProjectExecute()
{
    RunCommand([this] { SaveProject(false); });
}
void TMainForm::actSaveProjectAsExecute()
{
    RunCommand([this] { SaveProject(true); });
}
void TMainForm::actCloseProjectExecute()
{
    RunCommand([this] { CloseProject(); });
}
void TMainForm::actExitAppExecute() { close(); }

void TMainForm::miAboutClick()
{
    RunCommand([this] { m_AboutBox->exec(); });
}

void TMainForm::CloseProject()
{
    if (!m_CurrentProject) return;
    if (m_CurrentProject->Modified()) {
        switch (m_Prompts.Ask(TAskKind::Confirm, QStringLiteral("Project was modified. Save changes to project file ?"),
                              TButtons::YesNoCancel)) {
            case TAnswer::Yes: SaveProject(false); break;
            case TAnswer::No: break;
            default: throw EAbort();
        }
    }
    StoreColumnWidths();
    m_Grid->Reset(nullptr);
    m_CurrentProject.reset();
    RebuildListView();
    UpdateStatusBar();
}

QString TMainForm::TemplatePath() const
{
    QString dir = m_TemplateDir;
    if (!dir.endsWith(u'/')) dir += u'/';
    return dir + QStringLiteral("template.rpr");
}

void TMainForm::NewProject()
{
    CloseProject();
    QUILLET_ASSERT(!m_CurrentProject);
    m_CurrentProject = std::make_unique<TResProject>();
    const std::string templatePath = ToFilePath(TemplatePath());
    if (FileExists(templatePath)) {
        try {
            m_CurrentProject->LoadFromFile(templatePath);
        } catch (...) {
            // A template that cannot be read leaves no half-read project.
            m_CurrentProject.reset();
            UpdateStatusBar();
            throw;
        }
        // A project made from the template is new: the first save asks for a
        // name instead of overwriting the template.
        m_CurrentProject->SetFileName({});
    } else {
        BuildDefaultProject(*m_CurrentProject);
    }
    RebuildListView();
    UpdateStatusBar();
}

void TMainForm::OpenProject()
{
    // The dialog starts in the folder of the project being replaced.
    QString path;
    if (m_CurrentProject && !m_CurrentProject->FileName().empty())
        path = QFileInfo(FromFilePath(m_CurrentProject->FileName())).absolutePath();
    CloseProject();
    if (!m_Prompts.OpenFileName(path)) throw EAbort();
    LoadProject(path);
}

void TMainForm::OpenProjectFile(const QString& path)
{
    RunCommand([&] {
        CloseProject();
        LoadProject(path);
    });
}

void TMainForm::LoadProject(const QString& path)
{
    QUILLET_ASSERT(!m_CurrentProject);
    m_CurrentProject = std::make_unique<TResProject>();
    try {
        m_CurrentProject->LoadFromFile(ToFilePath(path));
        RebuildListView();
    } catch (...) {
        // No project is left open; the reader's message is shown.
        m_CurrentProject.reset();
        RebuildListView();
        UpdateStatusBar();
        throw;
    }
    UpdateStatusBar();
    m_RecentProjects.Add(path);
    UpdateRecentMenu();
}

void TMainForm::SaveProject(bool saveAs)
{
    if (!m_CurrentProject) return;
    if (m_CurrentProject->FileName().empty()) saveAs = true;
    if (!saveAs) {
        m_CurrentProject->SaveToFile(m_CurrentProject->FileName());
    } else {
        QString path = FromFilePath(m_CurrentProject->FileName());
        if (!m_Prompts.SaveFileName(path)) throw EAbort();
        m_CurrentProject->SaveToFile(ToFilePath(path));
        m_RecentProjects.Add(path);
        UpdateRecentMenu();
    }
    UpdateStatusBar();
}

void TMainForm::actShowLanguagesExecute()
{
    RunCommand([this] {
        if (!m_CurrentProject) return;
        TResLanguageList* languages = m_CurrentProject->Languages();
        for (int i = 0; i < languages->Count(); ++i) languages->Items(i)->SetChecked(languages->Items(i)->Visible());
        m_ChooseLangDlg->setWindowTitle(QStringLiteral("Select visible language columns"));
        const bool ok = m_ChooseLangDlg->Execute(languages);
        if (ok) {
            for (int i = 0; i < languages->Count(); ++i) {
                TResLanguageItem* language = languages->Items(i);
                if (language->Checked() && !language->Visible()) {
                    language->SetVisible(true);
                    AddColumn(TColumnTag::Of(*language));
                } else if (!language->Checked() && language->Visible()) {
                    language->SetVisible(false);
                    RemoveColumn(*language);
                }
            }
        }
        UpdateStatusBar();
    });
}

void TMainForm::actProjectOptionsExecute()
{
    RunCommand([this] {
        if (!m_CurrentProject) return;
        // The languages are stored before the General page: the grid follows
        // them even when storing the number base fails.
        bool ok = false;
        try {
            ok = m_PrjOptionsDialog->Execute(*m_CurrentProject);
        } catch (...) {
            FollowLanguages(m_PrjOptionsDialog->LanguageIdMap());
            throw;
        }
        if (ok) FollowLanguages(m_PrjOptionsDialog->LanguageIdMap());
    });
}

void TMainForm::actProjectRenumberIdExecute()
{
    RunCommand([this] {
        if (!m_CurrentProject) return;
        const TNumbering before = NumberingOf(*m_CurrentProject->Strings());
        m_CurrentProject->Strings()->RenumberIds();
        m_CurrentProject->Strings()->SortItems(true);
        m_Grid->RedrawAll();
        if (m_Grid->Filtered()) ApplyFilter(); // the rows' items moved
        MarkModifiedIfChanged(before);
    });
}

void TMainForm::actSaveResFilesExecute()
{
    RunCommand([this] {
        if (!m_CurrentProject) return;
        ConfirmWriteDespiteProblems(*m_CurrentProject, m_Prompts);
        // Paths that leave the project's folder are written only when the user
        // agrees, in one question that names them all.
        const std::vector<TUnitPath> outside = OutsideUnitPaths(*m_CurrentProject);
        if (!outside.empty()) {
            QString text = QStringLiteral("These units would be written outside the project's folder:");
            for (const TUnitPath& unit : outside) text += u'\n' + FromFilePath(unit.Path);
            text += QStringLiteral("\nWrite them ?");
            // Enter means No: a reflex must not write into "/" or over others' files.
            if (m_Prompts.Ask(TAskKind::Confirm, text, TButtons::YesNoDefaultNo) != TAnswer::Yes) throw EAbort();
        }
        const TNumbering before = NumberingOf(*m_CurrentProject->Strings());
        m_CurrentProject->Strings()->RenumberIds();
        m_Grid->RedrawAll();
        // The saved project must give the numbers the units are about to get.
        MarkModifiedIfChanged(before);
        TOverwriteQuestion question(m_Prompts);
        m_CurrentProject->WriteUnits(question);
        const int written = 1 + m_CurrentProject->Languages()->Count() - question.Kept();
        QString folder = FromFilePath(m_CurrentProject->OutputPath({}));
        if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
        ShowStatusMessage(QStringLiteral("%1 %2 written to %3")
                              .arg(written)
                              .arg(written == 1 ? QStringLiteral("unit") : QStringLiteral("units"), folder));
    });
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // FormCloseQuery: the window closes only when the project could be closed.
    bool closed = false;
    RunCommand([this, &closed] {
        CloseProject();
        if (m_Settings) m_Settings->setValue(QStringLiteral("MainForm/Geometry"), saveGeometry());
        closed = true;
    });
    event->setAccepted(closed);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The initial size counts the frame, where the platform tells it.
    if (m_OuterSizeSet || !windowHandle()) return;
    m_OuterSizeSet = true;
    const QMargins frame = windowHandle()->frameMargins();
    resize(kOuterWidth - frame.left() - frame.right(), kOuterHeight - frame.top() - frame.bottom());
}

// List operations and renumbering leave Modified alone in the model, so the
// commands that change the items or their numbers mark the project themselves:
// without the mark, closing the project would drop the change unasked.
void TMainForm::MarkModified()
{
    if (m_CurrentProject) m_CurrentProject->SetModified(true);
}

TMainForm::TNumbering TMainForm::NumberingOf(const TResStringList& strings)
{
    TNumbering numbering;
    numbering.reserve(static_cast<size_t>(strings.Count()));
    for (int i = 0; i < strings.Count(); ++i) numbering.emplace_back(strings.Items(i), strings.Items(i)->NumberId());
    return numbering;
}

void TMainForm::MarkModifiedIfChanged(const TNumbering& before)
{
    if (NumberingOf(*m_CurrentProject->Strings()) == before) return;
    MarkModified();
    UpdateStatusBar();
}

// ---------------------------------------------------------------------------
// The grid

void TMainForm::RebuildListView()
{
    if (!m_CurrentProject) {
        m_Grid->Reset(nullptr);
        m_ListView->hide();
        HideFilter();
        return;
    }
    m_Grid->Reset(m_CurrentProject.get());
    m_Grid->SetRowCount(m_CurrentProject->Strings()->Count());
    for (TColumnKind kind : {TColumnKind::RowNumber, TColumnKind::TextId, TColumnKind::NumberId, TColumnKind::FixedId})
        AddColumn(TColumnTag::Of(kind));
    const TResLanguageList& languages = *m_CurrentProject->Languages();
    for (int i = 0; i < languages.Count(); ++i)
        if (languages.Items(i)->Visible()) AddColumn(TColumnTag::Of(*languages.Items(i)));
    // A grid that appears takes the keyboard, so a new or opened project can be
    // worked from the keyboard at once; the selection stays as it is.
    const bool appears = m_ListView->isHidden();
    m_ListView->show();
    if (appears) m_ListView->setFocus();
    if (!m_FilterBar->isHidden()) ApplyFilter();
}

void TMainForm::AddColumn(const TColumnTag& tag)
{
    m_Grid->AppendColumn(tag);
    int width = tag.Width;
    if (m_Settings) width = m_Settings->value(ColumnWidthKey(tag), width).toInt();
    m_ListView->setColumnWidth(m_Grid->columnCount() - 1, width);
}

void TMainForm::RemoveColumn(const TResLanguageItem& language)
{
    const auto& columns = m_Grid->Columns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].Kind == TColumnKind::Language && columns[i].LanguageId == language.ID()) {
            if (m_Settings)
                m_Settings->setValue(ColumnWidthKey(columns[i]), m_ListView->columnWidth(static_cast<int>(i)));
            m_Grid->RemoveColumn(static_cast<int>(i));
            return;
        }
}

int TMainForm::SelectedRow() const
{
    const QModelIndexList rows = m_ListView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TMainForm::EditSelectedItem()
{
    const int row = SelectedRow();
    if (row < 0 || !m_CurrentProject) return;
    m_ItemEditDialog->Execute(*m_CurrentProject, m_Grid->ItemIndex(row));
    m_LastEditedLanguageId = m_ItemEditDialog->ReadWriteLanguageId();
    m_Grid->RedrawAll();
    UpdateStatusBar();
}

void TMainForm::ListViewDblClick() { EditSelectedItem(); }

void TMainForm::SelectRow(int row)
{
    if (!m_CurrentProject) return;
    // row names an item; under the find filter it stands in another row, and
    // an item the filter hides is shown by hiding the filter.
    if (m_Grid->Filtered() && m_Grid->RowOf(row) < 0) HideFilter();
    row = m_Grid->RowOf(row);
    if (row < 0) return;
    m_ListView->selectRow(row);
    m_ListView->scrollTo(m_Grid->index(row, 0));
    m_ListView->setFocus();
}

void TMainForm::ListViewKeyDown(int key)
{
    const int row = SelectedRow();
    if (row < 0 || !m_CurrentProject) return;
    TResStringList* strings = m_CurrentProject->Strings();
    const int item = m_Grid->ItemIndex(row); // under a filter, the item the row shows
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter: EditSelectedItem(); break;
        case Qt::Key_Down:
            // The last row of a filtered grid is not the end of the list.
            if (!m_Grid->Filtered() && row == strings->Count() - 1) {
                m_Grid->BeginInsertRow(strings->Count());
                strings->Add();
                m_Grid->EndInsertRow();
                m_Grid->RedrawRows(row, strings->Count() - 1);
                MarkModified();
            }
            UpdateStatusBar();
            break;
        case Qt::Key_Insert:
            m_Grid->BeginInsertRow(row);
            strings->Insert(item);
            m_Grid->EndInsertRow();
            m_Grid->RedrawRows(row, m_Grid->rowCount() - 1);
            MarkModified();
            UpdateStatusBar();
            break;
        case Qt::Key_Delete:
            if (m_Prompts.Ask(TAskKind::Confirm, QStringLiteral("Delete this item ?"), TButtons::YesNo) ==
                TAnswer::Yes) {
                m_Grid->BeginRemoveRow(row);
                strings->Delete(item);
                m_Grid->EndRemoveRow();
                m_Grid->RedrawRows(row, m_Grid->rowCount() - 1);
                MarkModified();
                UpdateStatusBar();
            }
            break;
        default: break;
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edFilter && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Escape: RunCommand([this] { HideFilter(); }); return true;
            case Qt::Key_Down:
            case Qt::Key_Return:
            case Qt::Key_Enter: m_ListView->setFocus(); return true;
            default: break;
        }
    }
    if (watched == m_ListView && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape && !m_FilterBar->isHidden()) RunCommand([this] { HideFilter(); });
        // Moving through the grid changes nothing: no new check for it.
        const bool last = SelectedRow() == m_Grid->rowCount() - 1;
        m_RefreshProblems = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert ||
            key == Qt::Key_Delete || (key == Qt::Key_Down && last);
        RunCommand([this, key] { ListViewKeyDown(key); });
        m_RefreshProblems = true;
        // Not consumed: the grid's own handling follows (Down moves the selection).
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Find and Next Untranslated

void TMainForm::actFindExecute()
{
    RunCommand([this] {
        if (!m_CurrentProject) return;
        m_FilterBar->show();
        m_edFilter->setFocus();
        m_edFilter->selectAll();
    });
}

void TMainForm::HideFilter()
{
    {
        const QSignalBlocker quiet(m_edFilter);
        m_edFilter->clear();
    }
    m_FilterBar->hide();
    if (m_CurrentProject) {
        ApplyFilter();
        m_ListView->setFocus();
    }
}

void TMainForm::ApplyFilter()
{
    if (!m_CurrentProject) return;
    const QString typed = m_FilterBar->isHidden() ? QString() : m_edFilter->text();
    if (typed.isEmpty()) {
        m_Grid->ClearFilter();
    } else {
        std::vector<const TResLanguageItem*> languages;
        for (const TColumnTag& tag : m_Grid->Columns())
            if (tag.Kind == TColumnKind::Language)
                if (const TResLanguageItem* l = m_CurrentProject->Languages()->FindItemID(tag.LanguageId))
                    languages.push_back(l);
        // A character the code page lacks is in no text of the project.
        const std::string pattern = FromQString(typed);
        m_Grid->SetFilter(ToQString(pattern) == typed
                              ? FilterItems(*m_CurrentProject->Strings(), languages, TTextMatcher(pattern))
                              : std::vector<int>());
    }
    // The selection stays on its item while that is shown; else the first
    // row shown is selected.
    if (SelectedRow() < 0 && m_Grid->rowCount() > 0) m_ListView->selectRow(0);
    if (const int row = SelectedRow(); row >= 0) m_ListView->scrollTo(m_Grid->index(row, 0));
}

const TResLanguageItem* TMainForm::UntranslatedLanguage() const
{
    const TResLanguageList& languages = *m_CurrentProject->Languages();
    if (!m_LastEditedLanguageId.isEmpty())
        if (const TResLanguageItem* l = languages.FindByTextId(FromQString(m_LastEditedLanguageId))) return l;
    const auto& columns = m_Grid->Columns();
    for (auto it = columns.rbegin(); it != columns.rend(); ++it)
        if (it->Kind == TColumnKind::Language) return languages.FindItemID(it->LanguageId);
    return nullptr;
}

void TMainForm::actNextUntranslatedExecute()
{
    RunCommand([this] {
        if (!m_CurrentProject) return;
        const TResLanguageItem* language = UntranslatedLanguage();
        const int row =
            language ? NextUntranslated(*m_CurrentProject->Strings(), *language, m_Grid->RowMap(), SelectedRow()) : -1;
        if (row < 0) {
            // A beep alone is often silent: say which language was looked at.
            QApplication::beep();
            if (language)
                ShowStatusMessage(
                    QStringLiteral("Every item shown has a text in %1").arg(ToQString(language->TextId())));
            return;
        }
        m_ListView->selectRow(row);
        m_ListView->scrollTo(m_Grid->index(row, 0));
        // Enter then edits the text that was found missing.
        m_ItemEditDialog->SetReadWriteLanguageId(ToQString(language->TextId()));
    });
}

void TMainForm::FollowLanguages(const std::vector<int32_t>& idMap)
{
    const TResLanguageList& languages = *m_CurrentProject->Languages();
    // Columns keep their order; a removed or hidden language's column goes.
    for (int c = m_Grid->columnCount() - 1; c >= 0; --c) {
        TColumnTag tag = m_Grid->Columns()[static_cast<size_t>(c)];
        if (tag.Kind != TColumnKind::Language) continue;
        if (!idMap.empty())
            tag.LanguageId = tag.LanguageId >= 0 && tag.LanguageId < static_cast<int32_t>(idMap.size())
                ? idMap[static_cast<size_t>(tag.LanguageId)]
                : -1;
        const TResLanguageItem* language = tag.LanguageId < 0 ? nullptr : languages.FindItemID(tag.LanguageId);
        if (!language || !language->Visible()) {
            m_Grid->RemoveColumn(c);
        } else {
            tag.Caption = ToQString(language->TextId());
            m_Grid->SetColumnTag(c, tag);
        }
    }
    // A language shown now that had no column gets one at the right end.
    for (int i = 0; i < languages.Count(); ++i) {
        const TResLanguageItem* language = languages.Items(i);
        if (!language->Visible()) continue;
        bool has = false;
        for (const TColumnTag& tag : m_Grid->Columns())
            has = has || (tag.Kind == TColumnKind::Language && tag.LanguageId == language->ID());
        if (!has) AddColumn(TColumnTag::Of(*language));
    }
    m_Grid->RedrawAll();
    if (m_Grid->Filtered()) ApplyFilter();
}

// ---------------------------------------------------------------------------
// Remembered between runs: recent projects, the window's place, column widths

void TMainForm::SetSettings(QSettings* settings)
{
    m_Settings = settings;
    m_RecentProjects.Load(settings);
    UpdateRecentMenu();
    // A remembered size stands; the initial size is for the first run.
    if (m_Settings && restoreGeometry(m_Settings->value(QStringLiteral("MainForm/Geometry")).toByteArray()))
        m_OuterSizeSet = true;
}

void TMainForm::UpdateRecentMenu()
{
    // The entry being triggered may be among the old ones: they go later,
    // once its signal has returned, and lose their names at once.
    for (QAction* old : m_RecentMenu->actions()) {
        m_RecentMenu->removeAction(old);
        old->setObjectName({});
        old->deleteLater();
    }
    const QStringList& items = m_RecentProjects.Items();
    for (int i = 0; i < items.size(); ++i) {
        const QString path = items[i];
        QString caption = QDir::toNativeSeparators(path);
        caption.replace(u'&', QStringLiteral("&&"));
        QAction* entry = m_RecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        entry->setObjectName(QStringLiteral("miFileRecent%1").arg(i + 1));
        connect(entry, &QAction::triggered, this, [this, path] { OpenRecentProject(path); });
    }
    m_RecentMenu->menuAction()->setEnabled(!items.isEmpty());
}

void TMainForm::OpenRecentProject(const QString& path)
{
    RunCommand([&] {
        if (!QFileInfo(path).isFile()) {
            // Checked before the open project is closed, so nothing is lost.
            m_RecentProjects.Remove(path);
            UpdateRecentMenu();
            m_Prompts.Ask(TAskKind::Information,
                          QStringLiteral("The project file %1 no longer exists; it was removed from the recent "
                                         "projects.")
                              .arg(QDir::toNativeSeparators(path)),
                          TButtons::OK);
            return;
        }
        CloseProject();
        LoadProject(path);
    });
}

void TMainForm::StoreColumnWidths()
{
    if (!m_Settings) return;
    const auto& columns = m_Grid->Columns();
    for (size_t i = 0; i < columns.size(); ++i)
        m_Settings->setValue(ColumnWidthKey(columns[i]), m_ListView->columnWidth(static_cast<int>(i)));
}

// ---------------------------------------------------------------------------
// A project file dropped onto the window

QString TMainForm::DroppedProject(const QMimeData* data)
{
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return url.toLocalFile();
    return {};
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedProject(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString path = DroppedProject(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // Opened once the drop has finished: the questions and boxes of the open
    // must not hold up the program the file was dragged from.
    QMetaObject::invokeMethod(
        this, [this, path] { OpenProjectFile(path); }, Qt::QueuedConnection);
}
