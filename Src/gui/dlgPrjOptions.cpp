#include "dlgPrjOptions.h"

#include "fmeLanguages.h"
#include "uIntText.h"
#include "uProject.h"
#include "uPrompts.h"
#include "uQtText.h"
#include "uStringGrid.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

TPrjOptionsDialog::TPrjOptionsDialog(TPrompts& prompts, QWidget* parent) : QDialog(parent), m_Prompts(prompts)
{
    setObjectName(QStringLiteral("PrjOptionsDialog"));
    setWindowTitle(QStringLiteral("Project Options"));

    m_PageControl = new QTabWidget(this);
    m_PageControl->setObjectName(QStringLiteral("PageControl"));
    auto* tshGeneral = new QWidget;
    tshGeneral->setObjectName(QStringLiteral("tshGeneral"));
    auto* tshLanguages = new QWidget;
    tshLanguages->setObjectName(QStringLiteral("tshLanguages"));
    m_PageControl->addTab(tshGeneral, QStringLiteral("General"));
    m_PageControl->addTab(tshLanguages, QStringLiteral("Languages"));
    m_LanguagesFrame = new TLanguagesFrame(prompts, tshLanguages);
    auto* languagesLayout = new QVBoxLayout(tshLanguages);
    languagesLayout->setContentsMargins(0, 0, 0, 0);
    languagesLayout->addWidget(m_LanguagesFrame);

    auto field = [&](const char* name) {
        auto* edit = new QLineEdit(tshGeneral);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    m_edOutputDirectory = field("edOutputDirectory");
    m_edConstFilename = field("edConstFilename");
    m_edStringIdPrefix = field("edStringIdPrefix");
    m_edPtrIdPrefix = field("edPtrIdPrefix");
    m_edComment = field("edComment");
    m_edNumberIdBase = field("edNumberIdBase");
    m_SpeedButton1 = new QToolButton(tshGeneral);
    m_SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    m_SpeedButton1->setText(QStringLiteral("..."));
    m_SpeedButton1->setToolTip(QStringLiteral("Choose the output directory"));

    auto* outputRow = new QHBoxLayout;
    outputRow->setSpacing(2);
    outputRow->addWidget(m_edOutputDirectory, 1);
    outputRow->addWidget(m_SpeedButton1);

    auto* form = new QFormLayout(tshGeneral);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto label = [&](const char* caption, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(caption), tshGeneral);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label("&Output directory:", m_edOutputDirectory), outputRow);
    form->addRow(label("Const &filename:", m_edConstFilename), m_edConstFilename);
    form->addRow(label("&String ID prefix:", m_edStringIdPrefix), m_edStringIdPrefix);
    form->addRow(label("&Pointer ID prefix:", m_edPtrIdPrefix), m_edPtrIdPrefix);
    form->addRow(label("&Comment:", m_edComment), m_edComment);
    form->addRow(label("Number ID Base:", m_edNumberIdBase), m_edNumberIdBase);

    m_btnOk = new QPushButton(QStringLiteral("OK"), this);
    m_btnOk->setObjectName(QStringLiteral("btnOk"));
    m_btnOk->setDefault(true);
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Enter on a focused button presses that button; elsewhere it presses OK.
    m_btnCancel->setAutoDefault(true);
    m_SpeedButton1->installEventFilter(this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnOk);
    buttons->addWidget(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_PageControl, 1);
    layout->addLayout(buttons);
    setFixedSize(376, 270);

    connect(m_btnOk, &QPushButton::clicked, this, [this] { RunGuarded(m_Prompts, [this] { btnOkClick(); }); });
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_SpeedButton1, &QToolButton::clicked, this,
            [this] { RunGuarded(m_Prompts, [this] { SpeedButton1Click(); }); });
}

bool TPrjOptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    // A tool button does not take Enter by itself.
    if (watched == m_SpeedButton1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_SpeedButton1->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPrjOptionsDialog::Fill(const TResProject& project)
{
    m_edComment->setText(ToQString(project.Comment()));
    m_edPtrIdPrefix->setText(ToQString(project.PtrIdPrefix()));
    m_edStringIdPrefix->setText(ToQString(project.StringIdPrefix()));
    m_edConstFilename->setText(ToQString(project.ConstFileName()));
    m_edOutputDirectory->setText(ToQString(project.OutputDirectory()));
    m_edNumberIdBase->setText(QString::number(project.Strings()->NumberIdBase()));
}

void TPrjOptionsDialog::Store(TResProject& project)
{
    // The languages first: their working copy was checked change by change.
    m_LanguageIdMap = m_LanguagesFrame->Apply(project);
    project.SetComment(FromQString(m_edComment->text()));
    project.SetPtrIdPrefix(FromQString(m_edPtrIdPrefix->text()));
    project.SetStringIdPrefix(FromQString(m_edStringIdPrefix->text()));
    project.SetConstFileName(FromQString(m_edConstFilename->text()));
    project.SetOutputDirectory(FromQString(m_edOutputDirectory->text()));
    // The range is the model's to check: "Invalid number ID base".
    project.Strings()->SetNumberIdBase(StrToInt(FromQString(m_edNumberIdBase->text())));
}

bool TPrjOptionsDialog::Execute(TResProject& project)
{
    m_LanguageIdMap.clear();
    Fill(project);
    m_LanguagesFrame->SetProject(project);
    m_PageControl->setCurrentIndex(0);
    m_edOutputDirectory->setFocus();
    if (exec() != QDialog::Accepted) {
        m_LanguagesFrame->Discard();
        return false;
    }
    Store(project);
    return true;
}

void TPrjOptionsDialog::btnOkClick()
{
    int32_t value = 0;
    if (!TryParseIntText(FromQString(m_edNumberIdBase->text()), value)) {
        m_edNumberIdBase->setFocus();
        m_Prompts.Ask(TAskKind::Error, QStringLiteral("Invalid number identifier."), TButtons::OK);
        return;
    }
    // A folder from the chooser, or a typed text, may hold characters that the
    // code page lacks; the user hears which before they become "?".
    QString texts;
    for (const QLineEdit* edit :
         {m_edOutputDirectory, m_edConstFilename, m_edStringIdPrefix, m_edPtrIdPrefix, m_edComment})
        texts += edit->text();
    if (!ConfirmStorable(m_Prompts, texts)) return;
    accept();
}

void TPrjOptionsDialog::SpeedButton1Click()
{
    QString path;
    if (m_Prompts.ChooseFolder(QStringLiteral("Ahoj"), path)) m_edOutputDirectory->setText(path);
}
