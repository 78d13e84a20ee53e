#include "dlgItemEdit.h"

#include "uErrors.h"
#include "uIntText.h"
#include "uProject.h"
#include "uPrompts.h"
#include "uQtText.h"
#include "uStringGrid.h"
#include "uText.h"
#include "uTextMatch.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// Removes leading and trailing characters with codes 0 to 32.
QString TrimControls(const QString& s)
{
    qsizetype first = 0, last = s.size();
    while (first < last && s[first].unicode() <= 32) ++first;
    while (last > first && s[last - 1].unicode() <= 32) --last;
    return s.mid(first, last - first);
}

QFont FieldFont(QFont font)
{
    font.setPixelSize(13);
    return font;
}

} // namespace

TItemEditDialog::TItemEditDialog(TPrompts& prompts, QWidget* parent) : QDialog(parent), m_Prompts(prompts)
{
    setObjectName(QStringLiteral("ItemEditDialog"));
    setWindowTitle(QStringLiteral("Item Editor"));
    resize(kWidth, kHeight);

    m_gbProperties = new QGroupBox(QStringLiteral("Properties:"), this);
    m_gbProperties->setObjectName(QStringLiteral("gbProperties"));
    auto* lblTextId = new QLabel(QStringLiteral("Text ID:"), m_gbProperties);
    lblTextId->setObjectName(QStringLiteral("lblTextId"));
    m_edTextId = new QLineEdit(m_gbProperties);
    m_edTextId->setObjectName(QStringLiteral("edTextId"));
    auto* lblNumberId = new QLabel(QStringLiteral("Number ID:"), m_gbProperties);
    lblNumberId->setObjectName(QStringLiteral("lblNumberId"));
    m_edNumberId = new QLineEdit(m_gbProperties);
    m_edNumberId->setObjectName(QStringLiteral("edNumberId"));
    m_chbFixedId = new QCheckBox(QStringLiteral("Fixed ID"), m_gbProperties);
    m_chbFixedId->setObjectName(QStringLiteral("chbFixedId"));
    // Never shown: its value is carried through unchanged.
    m_chbStandard = new QCheckBox(QStringLiteral("Standard"), m_gbProperties);
    m_chbStandard->setObjectName(QStringLiteral("chbStandard"));
    m_chbStandard->setVisible(false);
    lblTextId->setBuddy(m_edTextId);
    lblNumberId->setBuddy(m_edNumberId);

    auto* grid = new QGridLayout(m_gbProperties);
    grid->addWidget(lblTextId, 0, 0);
    grid->addWidget(m_edTextId, 0, 1, 1, 2);
    grid->addWidget(lblNumberId, 1, 0);
    grid->addWidget(m_edNumberId, 1, 1);
    grid->addWidget(m_chbFixedId, 1, 2);
    grid->setColumnStretch(1, 1);

    m_cbReadWrite = new QComboBox(this);
    m_cbReadWrite->setObjectName(QStringLiteral("cbReadWrite"));
    m_mmReadWrite = new QPlainTextEdit(this);
    m_mmReadWrite->setObjectName(QStringLiteral("mmReadWrite"));
    m_cbReadOnly = new QComboBox(this);
    m_cbReadOnly->setObjectName(QStringLiteral("cbReadOnly"));
    m_mmReadOnly = new QPlainTextEdit(this);
    m_mmReadOnly->setObjectName(QStringLiteral("mmReadOnly"));
    m_mmReadOnly->setReadOnly(true);
    QPalette grey = m_mmReadOnly->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Window));
    m_mmReadOnly->setPalette(grey);
    for (QWidget* w : {static_cast<QWidget*>(m_edTextId), static_cast<QWidget*>(m_edNumberId),
                       static_cast<QWidget*>(m_mmReadWrite), static_cast<QWidget*>(m_mmReadOnly)})
        w->setFont(FieldFont(w->font()));
    for (QPlainTextEdit* memo : {m_mmReadWrite, m_mmReadOnly}) memo->setTabChangesFocus(true);

    m_lblIndex = new QLabel(QStringLiteral("1"), this);
    m_lblIndex->setObjectName(QStringLiteral("lblIndex"));
    m_lblIndex->setAlignment(Qt::AlignCenter);
    QFont big = m_lblIndex->font();
    big.setPixelSize(19);
    m_lblIndex->setFont(big);
    m_lblIndex->setMinimumWidth(60);

    auto* upDown = new QWidget(this);
    upDown->setObjectName(QStringLiteral("UpDown"));
    m_btnPrior = new QToolButton(upDown);
    m_btnPrior->setObjectName(QStringLiteral("btnPrior"));
    m_btnPrior->setArrowType(Qt::LeftArrow);
    m_btnPrior->setToolTip(QStringLiteral("Previous item"));
    m_btnNext = new QToolButton(upDown);
    m_btnNext->setObjectName(QStringLiteral("btnNext"));
    m_btnNext->setArrowType(Qt::RightArrow);
    m_btnNext->setToolTip(QStringLiteral("Next item"));
    m_btnNextUntranslated = new QToolButton(upDown);
    m_btnNextUntranslated->setObjectName(QStringLiteral("btnNextUntranslated"));
    m_btnNextUntranslated->setText(QStringLiteral("&Untranslated"));
    m_btnNextUntranslated->setToolTip(QStringLiteral("Next item without a text in the edited language (Ctrl+J)"));
    for (QToolButton* b : {m_btnPrior, m_btnNext, m_btnNextUntranslated}) b->setFocusPolicy(Qt::NoFocus);
    auto* upDownLayout = new QHBoxLayout(upDown);
    upDownLayout->setContentsMargins(0, 0, 0, 0);
    upDownLayout->setSpacing(0);
    upDownLayout->addWidget(m_btnPrior);
    upDownLayout->addWidget(m_btnNext);

    m_btnApply = new QPushButton(QStringLiteral("Apply"), this);
    m_btnApply->setObjectName(QStringLiteral("btnApply"));
    m_btnOk = new QPushButton(QStringLiteral("OK"), this);
    m_btnOk->setObjectName(QStringLiteral("btnOk"));
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // OK answers Enter in the fields; a focused button answers Enter itself.
    for (QPushButton* b : {m_btnApply, m_btnOk, m_btnCancel}) b->setAutoDefault(true);
    m_btnOk->setDefault(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblIndex);
    bottom->addWidget(upDown);
    bottom->addStretch(1);
    bottom->addWidget(m_btnOk);
    bottom->addWidget(m_btnCancel);
    bottom->addWidget(m_btnApply);

    // Each language box carries what it is for.
    auto languageRow = [this](const char* name, const char* caption, QComboBox* combo) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QString::fromLatin1(name));
        label->setMinimumWidth(64);
        auto* row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(combo, 1);
        return row;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_gbProperties);
    // The step to the next untranslated item stands by the language it looks
    // at, which keeps the bottom row within the dialog's initial width.
    QHBoxLayout* readWriteRow = languageRow("lblReadWrite", "Edit:", m_cbReadWrite);
    readWriteRow->addWidget(m_btnNextUntranslated);
    layout->addLayout(readWriteRow);
    layout->addWidget(m_mmReadWrite, 3);
    layout->addLayout(languageRow("lblReadOnly", "Reference:", m_cbReadOnly));
    layout->addWidget(m_mmReadOnly, 2);
    layout->addLayout(bottom);

    QWidget* order[] = {m_edTextId,    m_edNumberId, m_chbFixedId, m_mmReadWrite, m_mmReadOnly,
                        m_cbReadWrite, m_cbReadOnly, m_btnOk,      m_btnCancel,   m_btnApply};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    connect(m_btnApply, &QPushButton::clicked, this, [this] { Guarded([this] { btnApplyClick(); }); });
    connect(m_btnOk, &QPushButton::clicked, this, [this] { Guarded([this] { btnOkClick(); }); });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_btnPrior, &QToolButton::clicked, this,
            [this] { Guarded([this] { UpDownChangingEx(m_ItemIndex - 1); }); });
    connect(m_btnNext, &QToolButton::clicked, this, [this] { Guarded([this] { UpDownChangingEx(m_ItemIndex + 1); }); });
    connect(m_cbReadWrite, &QComboBox::currentIndexChanged, this, [this] { Guarded([this] { cbReadWriteChange(); }); });
    connect(m_cbReadOnly, &QComboBox::currentIndexChanged, this, [this] { Guarded([this] { cbReadOnlyChange(); }); });
    connect(m_cbReadOnly, &QComboBox::activated, this, [this] { m_ReadOnlyChosen = true; });
    connect(m_btnNextUntranslated, &QToolButton::clicked, this,
            [this] { Guarded([this] { btnNextUntranslatedClick(); }); });
    auto* nextUntranslated = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_J), this);
    connect(nextUntranslated, &QShortcut::activated, this, [this] { Guarded([this] { btnNextUntranslatedClick(); }); });
}

void TItemEditDialog::Guarded(const std::function<void()>& body) { RunGuarded(m_Prompts, body); }

void TItemEditDialog::Execute(TResProject& project, int index)
{
    m_Project = &project;
    m_ItemIndex = index;
    struct TRelease {
        TResProject*& Project;
        ~TRelease() { Project = nullptr; }
    } release{m_Project};
    FillLanguageCombos();
    LoadItem();
    if (exec() == QDialog::Accepted) StoreItem();
}

TResStringItem* TItemEditDialog::CurrentItem() const { return m_Project->Strings()->Items(m_ItemIndex); }

TResLanguageItem* TItemEditDialog::SelectedLanguage(const QComboBox* combo) const
{
    const int i = combo->currentIndex();
    QUILLET_ASSERT(i >= 0 && i < m_Project->Languages()->Count());
    return m_Project->Languages()->Items(i);
}

QString TItemEditDialog::TextFor(const TResLanguageItem* language) const
{
    const TResStringConstItem* text = CurrentItem()->StringConsts()->FindByLanguage(language);
    return text ? MemoText(text->Value()) : QString();
}

void TItemEditDialog::FillLanguageCombos()
{
    const QSignalBlocker blockRw(m_cbReadWrite);
    const QSignalBlocker blockRo(m_cbReadOnly);
    m_cbReadWrite->clear();
    m_cbReadOnly->clear();
    const TResLanguageList& languages = *m_Project->Languages();
    for (int i = 0; i < languages.Count(); ++i) {
        const QString id = ToQString(languages.Items(i)->TextId());
        m_cbReadWrite->addItem(id);
        m_cbReadOnly->addItem(id);
    }
    auto select = [&](QComboBox* combo, QString& remembered) {
        const int found = combo->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (found >= 0) {
            combo->setCurrentIndex(found);
        } else {
            // A project without languages fails here, before the dialog shows.
            remembered = ToQString(languages.Items(0)->TextId());
            combo->setCurrentIndex(0);
        }
    };
    select(m_cbReadWrite, m_ReadWriteLanguageId);
    select(m_cbReadOnly, m_ReadOnlyLanguageId);
    FollowSourceLanguage();
}

void TItemEditDialog::FollowSourceLanguage()
{
    if (m_ReadOnlyChosen) return;
    const TResLanguageItem* source = SelectedLanguage(m_cbReadWrite)->SourceLanguage();
    if (!source) return;
    const QSignalBlocker quiet(m_cbReadOnly);
    m_cbReadOnly->setCurrentIndex(source->Index());
    m_ReadOnlyLanguageId = ToQString(source->TextId());
}

void TItemEditDialog::LoadItem()
{
    m_lblIndex->setText(QString::number(m_ItemIndex + 1));
    const TResStringItem* item = CurrentItem();
    m_chbFixedId->setChecked(item->FixedId());
    m_chbStandard->setChecked(item->Standard());
    m_edTextId->setText(ToQString(item->TextId()));
    m_edNumberId->setText(QString::number(item->NumberId()));
    m_mmReadWrite->setPlainText(TextFor(SelectedLanguage(m_cbReadWrite)));
    m_mmReadOnly->setPlainText(TextFor(SelectedLanguage(m_cbReadOnly)));
}

bool TItemEditDialog::Refuse(QWidget* field, const QString& message)
{
    field->setFocus();
    m_Prompts.Ask(TAskKind::Error, message, TButtons::OK);
    return false;
}

bool TItemEditDialog::ValidateFields()
{
    const QString textId = TrimControls(m_edTextId->text());
    m_edTextId->setText(textId);
    if (!IsIdentifier(FromQString(textId))) return Refuse(m_edTextId, QStringLiteral("Invalid text identifier."));
    int32_t number = 0;
    if (!TryParseIntText(FromQString(m_edNumberId->text()), number))
        return Refuse(m_edNumberId, QStringLiteral("Invalid number identifier."));
    const TResStringItem* item = CurrentItem();
    if (!item->IsUniqueTextId(FromQString(textId)))
        return Refuse(m_edTextId, QStringLiteral("Duplicate text identifier."));
    if (!item->IsUniqueNumberId(number)) {
        const TResStringItem* holder = m_Project->Strings()->FindByNumberId(number);
        return Refuse(m_edNumberId,
                      QStringLiteral("Duplicate number identifier: %1 is already used by item %2 (row %3).")
                          .arg(number)
                          .arg(ToQString(holder->TextId()).isEmpty() ? QStringLiteral("without text ID")
                                                                     : ToQString(holder->TextId()))
                          .arg(holder->Index() + 1)); // counted as the index label counts
    }
    // What the code page cannot hold is named before it turns into "?".
    if (!ConfirmStorable(m_Prompts, textId + m_mmReadWrite->toPlainText())) {
        m_mmReadWrite->setFocus();
        return false;
    }
    return true;
}

void TItemEditDialog::StoreItem()
{
    TResStringItem* item = CurrentItem();
    item->SetFixedId(m_chbFixedId->isChecked());
    item->SetStandard(m_chbStandard->isChecked());
    item->SetTextId(FromQString(m_edTextId->text()));
    item->SetNumberId(StrToInt(FromQString(m_edNumberId->text())));
    const TResLanguageItem* language = SelectedLanguage(m_cbReadWrite);
    const std::string value = MemoValue(m_mmReadWrite->toPlainText());
    if (TResStringConstItem* text = item->StringConsts()->FindByLanguage(language)) {
        text->SetValue(value);
    } else {
        TResStringConstItem* added = item->StringConsts()->Add();
        added->SetValue(value);
        added->SetLanguage(language);
    }
}

void TItemEditDialog::btnApplyClick()
{
    if (ValidateFields()) StoreItem();
}

void TItemEditDialog::btnOkClick()
{
    // OK checks like Apply; the dialog stays open on a refused field.
    if (ValidateFields()) accept();
}

bool TItemEditDialog::UpDownChangingEx(int proposedIndex)
{
    if (!m_Project || !isVisible()) return false;
    if (proposedIndex < 0 || proposedIndex >= m_Project->Strings()->Count()) return false;
    if (!ValidateFields()) return false;
    StoreItem();
    m_ItemIndex = proposedIndex;
    LoadItem();
    return true;
}

void TItemEditDialog::cbReadWriteChange()
{
    if (!m_Project) return;
    const TResLanguageItem* language = SelectedLanguage(m_cbReadWrite);
    m_ReadWriteLanguageId = ToQString(language->TextId());
    m_mmReadWrite->setPlainText(TextFor(language));
    FollowSourceLanguage();
    m_mmReadOnly->setPlainText(TextFor(SelectedLanguage(m_cbReadOnly)));
}

bool TItemEditDialog::btnNextUntranslatedClick()
{
    if (!m_Project || !isVisible()) return false;
    // Storing gives the current item its text, so the search passes it.
    if (!ValidateFields()) return false;
    StoreItem();
    const int next = NextUntranslated(*m_Project->Strings(), *SelectedLanguage(m_cbReadWrite), nullptr, m_ItemIndex);
    if (next < 0) {
        QApplication::beep();
        return false;
    }
    m_ItemIndex = next;
    LoadItem();
    return true;
}

void TItemEditDialog::cbReadOnlyChange()
{
    if (!m_Project) return;
    const TResLanguageItem* language = SelectedLanguage(m_cbReadOnly);
    m_ReadOnlyLanguageId = ToQString(language->TextId());
    m_mmReadOnly->setPlainText(TextFor(language));
}

void TItemEditDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The initial size counts the frame, where the platform tells it.
    if (!m_SizeSet && windowHandle()) {
        m_SizeSet = true;
        const QMargins frame = windowHandle()->frameMargins();
        resize(kWidth - frame.left() - frame.right(), kHeight - frame.top() - frame.bottom());
    }
    if (m_edTextId->text().isEmpty()) m_edTextId->setFocus();
    else m_mmReadWrite->setFocus();
}
