#include "dlgChooseLang.h"

#include "fmeLang.h"

#include <QPushButton>
#include <QTableView>

TChooseLangDlg::TChooseLangDlg(TPrompts& prompts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ChooseLangDlg"));
    setWindowTitle(QStringLiteral("ChooseLangDlg"));
    setFixedSize(294, 167);
    m_LangFrame = new TLangFrame(prompts, this);
    m_LangFrame->setGeometry(6, 6, 281, 117);
    m_btnOk = new QPushButton(QStringLiteral("OK"), this);
    m_btnOk->setObjectName(QStringLiteral("btnOk"));
    m_btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // OK is not the default button: Enter in the list flips a mark (the list
    // keeps that key), and Enter on a focused button presses that button.
    for (QPushButton* b : {m_btnOk, m_btnCancel}) {
        b->setAutoDefault(true);
        b->setDefault(false);
    }
    m_btnOk->setGeometry(130, 133, 75, 25);
    m_btnCancel->setGeometry(212, 133, 75, 25);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(m_LangFrame->ListView(), m_btnOk);
    setTabOrder(m_btnOk, m_btnCancel);
}

bool TChooseLangDlg::Execute(TResLanguageList* list)
{
    m_LangFrame->SetLanguages(list);
    m_LangFrame->ListView()->setFocus();
    const bool ok = exec() == QDialog::Accepted;
    m_LangFrame->SetLanguages(nullptr); // the list belongs to a project that may go
    return ok;
}
