#include "fmeLanguages.h"

#include "uLanguageEdit.h"
#include "uPrompts.h"
#include "uQtText.h"
#include "uStringGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

enum TColumn { colId, colSource, colUnitFile, colVisible, colCount };

QString RemoveQuestion(const QString& id, int texts)
{
    if (texts == 0) return QStringLiteral("Remove the language %1 ? It has no texts.").arg(id);
    if (texts == 1) return QStringLiteral("Remove the language %1 ? Its text is deleted with it.").arg(id);
    return QStringLiteral("Remove the language %1 ? Its %2 texts are deleted with it.").arg(id).arg(texts);
}

} // namespace

TLanguagesFrame::TLanguagesFrame(TPrompts& prompts, QWidget* parent) : QWidget(parent), m_Prompts(prompts)
{
    setObjectName(QStringLiteral("LanguagesFrame"));
    AskLanguageId = [this](QString& id) {
        bool ok = false;
        id = QInputDialog::getText(this, QStringLiteral("Add Language"), QStringLiteral("Language &ID:"),
                                   QLineEdit::Normal, QString(), &ok);
        return ok;
    };

    m_Languages = new QStandardItemModel(0, colCount, this);
    m_Languages->setHorizontalHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("Source"), QStringLiteral("Unit file"), QStringLiteral("Shown")});
    m_lvLanguages = new TReportView(this);
    m_lvLanguages->setObjectName(QStringLiteral("lvLanguages"));
    m_lvLanguages->setModel(m_Languages);
    m_lvLanguages->setColumnWidth(colId, 40);
    m_lvLanguages->setColumnWidth(colSource, 50);
    m_lvLanguages->setColumnWidth(colUnitFile, 96);
    m_lvLanguages->horizontalHeader()->setStretchLastSection(true);
    m_lvLanguages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    m_btnAdd = button("btnAdd", "&Add...");
    m_btnRemove = button("btnRemove", "&Remove");
    m_btnUp = button("btnUp", "U&p");
    m_btnDown = button("btnDown", "Do&wn");
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    for (QPushButton* b : {m_btnAdd, m_btnRemove, m_btnUp, m_btnDown}) buttons->addWidget(b);
    buttons->addStretch(1);

    m_edLanguageId = new QLineEdit(this);
    m_edLanguageId->setObjectName(QStringLiteral("edLanguageId"));
    m_cbSource = new QComboBox(this);
    m_cbSource->setObjectName(QStringLiteral("cbSource"));
    m_edResFileName = new QLineEdit(this);
    m_edResFileName->setObjectName(QStringLiteral("edResFileName"));
    m_chbVisible = new QCheckBox(QStringLiteral("S&hown"), this);
    m_chbVisible->setObjectName(QStringLiteral("chbVisible"));
    auto label = [this](const char* caption, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(caption), this);
        l->setBuddy(buddy);
        return l;
    };
    auto* details = new QGridLayout;
    details->setVerticalSpacing(2);
    details->addWidget(label("&ID:", m_edLanguageId), 0, 0);
    details->addWidget(m_edLanguageId, 0, 1);
    details->addWidget(label("&Source:", m_cbSource), 0, 2);
    details->addWidget(m_cbSource, 0, 3);
    details->addWidget(label("&Unit file:", m_edResFileName), 1, 0);
    details->addWidget(m_edResFileName, 1, 1, 1, 2);
    details->addWidget(m_chbVisible, 1, 3);
    details->setColumnStretch(1, 1);
    details->setColumnStretch(3, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(m_lvLanguages, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(top, 1);
    layout->addLayout(details);

    connect(m_btnAdd, &QPushButton::clicked, this, [this] { Guarded([this] { btnAddClick(); }); });
    connect(m_btnRemove, &QPushButton::clicked, this, [this] { Guarded([this] { btnRemoveClick(); }); });
    connect(m_btnUp, &QPushButton::clicked, this, [this] { Guarded([this] { btnUpClick(); }); });
    connect(m_btnDown, &QPushButton::clicked, this, [this] { Guarded([this] { btnDownClick(); }); });
    connect(m_edLanguageId, &QLineEdit::editingFinished, this, [this] { Guarded([this] { edLanguageIdExit(); }); });
    connect(m_edResFileName, &QLineEdit::textEdited, this, [this] { Guarded([this] { edResFileNameChange(); }); });
    connect(m_cbSource, &QComboBox::activated, this, [this] { Guarded([this] { cbSourceChange(); }); });
    connect(m_chbVisible, &QCheckBox::clicked, this, [this] { Guarded([this] { chbVisibleClick(); }); });
    connect(m_lvLanguages->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { LoadSelected(); });
    m_edLanguageId->installEventFilter(this);
    m_edResFileName->installEventFilter(this);
}

bool TLanguagesFrame::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in a field of the page takes the field's text; it does not close
    // the dialog as it would through the default button.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_edLanguageId) Guarded([this] { edLanguageIdExit(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TLanguagesFrame::~TLanguagesFrame() = default;

void TLanguagesFrame::Guarded(const std::function<void()>& body)
{
    RunGuarded(m_Prompts, body);
    // What a refused change left in a field goes back to the copy's value.
    LoadSelected();
}

void TLanguagesFrame::SetProject(const TResProject& project)
{
    m_Edit.reset();
    setEnabled(false);
    // A project whose languages the copy cannot hold (two without an ID)
    // keeps the page disabled; the General page still works.
    RunGuarded(m_Prompts, [&] { m_Edit = std::make_unique<TLanguageEdit>(project); });
    setEnabled(m_Edit != nullptr);
    FillList();
    SelectRow(0);
}

std::vector<int32_t> TLanguagesFrame::Apply(TResProject& project)
{
    std::vector<int32_t> map;
    if (m_Edit && m_Edit->Changed()) map = m_Edit->Apply(project);
    Discard();
    return map;
}

void TLanguagesFrame::Discard()
{
    m_Edit.reset();
    FillList();
}

int TLanguagesFrame::SelectedRow() const
{
    const int row = m_lvLanguages->currentIndex().row();
    return m_Edit && row >= 0 && row < m_Edit->Count() ? row : -1;
}

void TLanguagesFrame::SelectRow(int row)
{
    if (row >= 0 && row < m_Languages->rowCount()) m_lvLanguages->setCurrentIndex(m_Languages->index(row, 0));
    LoadSelected();
}

void TLanguagesFrame::FillList()
{
    const int count = m_Edit ? m_Edit->Count() : 0;
    m_Languages->setRowCount(count);
    for (int i = 0; i < count; ++i) {
        const TResLanguageItem* l = m_Edit->Language(i);
        const int source = m_Edit->SourceIndex(i);
        const QString cells[colCount] = {
            ToQString(l->TextId()), source < 0 ? QString() : ToQString(m_Edit->Language(source)->TextId()),
            ToQString(l->ResFileName()), l->Visible() ? QStringLiteral("Yes") : QStringLiteral("No")};
        for (int c = 0; c < colCount; ++c) {
            QStandardItem* cell = m_Languages->item(i, c);
            if (!cell) {
                cell = new QStandardItem;
                cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                m_Languages->setItem(i, c, cell);
            }
            cell->setText(cells[c]);
        }
    }
}

void TLanguagesFrame::LoadSelected()
{
    const int row = SelectedRow();
    for (QWidget* w : std::initializer_list<QWidget*>{m_btnRemove, m_btnUp, m_btnDown, m_edLanguageId, m_cbSource,
                                                      m_edResFileName, m_chbVisible})
        w->setEnabled(row >= 0);
    m_btnAdd->setEnabled(m_Edit != nullptr);
    const QSignalBlocker quiet(m_cbSource);
    m_cbSource->clear();
    if (row < 0) {
        m_edLanguageId->clear();
        m_edResFileName->clear();
        m_ResFileNameText.clear();
        m_chbVisible->setChecked(false);
        return;
    }
    m_btnUp->setEnabled(row > 0);
    m_btnDown->setEnabled(row + 1 < m_Edit->Count());
    const TResLanguageItem* l = m_Edit->Language(row);
    m_edLanguageId->setText(ToQString(l->TextId()));
    m_edLanguageId->setModified(false);
    if (!m_edResFileName->hasFocus()) m_edResFileName->setText(ToQString(l->ResFileName()));
    m_ResFileNameText = m_edResFileName->text();
    m_chbVisible->setChecked(l->Visible());
    // The source is one of the other languages, or none.
    m_cbSource->addItem(QStringLiteral("(none)"), -1);
    for (int i = 0; i < m_Edit->Count(); ++i)
        if (i != row) m_cbSource->addItem(ToQString(m_Edit->Language(i)->TextId()), i);
    m_cbSource->setCurrentIndex(m_cbSource->findData(m_Edit->SourceIndex(row)));
}

void TLanguagesFrame::btnAddClick()
{
    if (!m_Edit) return;
    QString id;
    if (!AskLanguageId(id)) return;
    const int row = m_Edit->Add(FromQString(id));
    m_Edit->Language(row)->SetVisible(true); // a new language is wanted in the grid
    FillList();
    SelectRow(row);
}

void TLanguagesFrame::btnRemoveClick()
{
    const int row = SelectedRow();
    if (row < 0) return;
    const QString question = RemoveQuestion(ToQString(m_Edit->Language(row)->TextId()), m_Edit->TextsOf(row));
    if (m_Prompts.Ask(TAskKind::Confirm, question, TButtons::YesNo) != TAnswer::Yes) return;
    m_Edit->Remove(row);
    FillList();
    SelectRow(std::min(row, m_Edit->Count() - 1));
}

void TLanguagesFrame::btnUpClick()
{
    const int row = SelectedRow();
    if (row <= 0) return;
    m_Edit->Move(row, row - 1);
    FillList();
    SelectRow(row - 1);
}

void TLanguagesFrame::btnDownClick()
{
    const int row = SelectedRow();
    if (row < 0 || row + 1 >= m_Edit->Count()) return;
    m_Edit->Move(row, row + 1);
    FillList();
    SelectRow(row + 1);
}

void TLanguagesFrame::edLanguageIdExit()
{
    const int row = SelectedRow();
    if (row < 0 || ToQString(m_Edit->Language(row)->TextId()) == m_edLanguageId->text()) return;
    m_Edit->Rename(row, FromQString(m_edLanguageId->text()));
    FillList();
}

void TLanguagesFrame::edResFileNameChange()
{
    const int row = SelectedRow();
    if (row < 0) return;
    // The field stores at every keystroke; the user hears once about each
    // character the code page lacks, when it comes in, and Cancel takes it out.
    const QList<uint> before = m_ResFileNameText.toUcs4();
    QString added;
    for (uint c : m_edResFileName->text().toUcs4())
        if (!before.contains(c)) added += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    if (!ConfirmStorable(m_Prompts, added)) {
        m_edResFileName->setText(m_ResFileNameText);
        return;
    }
    m_Edit->Language(row)->SetResFileName(FromQString(m_edResFileName->text()));
    FillList();
}

void TLanguagesFrame::cbSourceChange()
{
    const int row = SelectedRow();
    if (row < 0 || m_cbSource->currentIndex() < 0) return;
    m_Edit->SetSource(row, m_cbSource->currentData().toInt());
    FillList();
}

void TLanguagesFrame::chbVisibleClick()
{
    const int row = SelectedRow();
    if (row < 0) return;
    m_Edit->Language(row)->SetVisible(m_chbVisible->isChecked());
    FillList();
}
