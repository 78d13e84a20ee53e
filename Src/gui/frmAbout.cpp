#include "frmAbout.h"

#include "uImages.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

const TVersionBlock& ProgramVersionBlock()
{
    // US English, Windows-1252: 0409 04E4.
    static const TVersionBlock block = {
        {"\\VarFileInfo\\Translation", std::string("\x09\x04\xE4\x04", 4)},
        {"\\StringFileInfo\\040904E4\\ProductName", QUILLET_PRODUCT_NAME},
        {"\\StringFileInfo\\040904E4\\FileVersion", QUILLET_VERSION},
        {"\\StringFileInfo\\040904E4\\LegalCopyright", QUILLET_COPYRIGHT},
        {"\\StringFileInfo\\040904E4\\Comments", ""},
    };
    return block;
}

QString VersionValue(const TVersionBlock* block, const QString& key)
{
    if (!block) return {};
    auto translation = block->find("\\VarFileInfo\\Translation");
    if (translation == block->end() || translation->second.size() < 4) return {};
    const auto& t = translation->second;
    auto word = [&](size_t at) {
        return unsigned(static_cast<unsigned char>(t[at])) | unsigned(static_cast<unsigned char>(t[at + 1])) << 8;
    };
    const QString path = QStringLiteral("\\StringFileInfo\\%1%2\\%3")
                             .arg(word(0), 4, 16, QLatin1Char('0'))
                             .arg(word(2), 4, 16, QLatin1Char('0'))
                             .arg(key);
    // The language and code page are written with upper-case digits.
    QString upper = path;
    const qsizetype hexStart = QStringLiteral("\\StringFileInfo\\").size();
    for (qsizetype i = hexStart; i < hexStart + 8; ++i) upper[i] = upper[i].toUpper();
    auto value = block->find(upper.toStdString());
    if (value == block->end()) return {};
    const std::string& text = value->second;
    return QString::fromUtf8(text.c_str()); // up to the terminating zero
}

TAboutBox::TAboutBox(const TVersionBlock* block, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);

    m_ProgramIcon = new QLabel(panel);
    m_ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    m_ProgramIcon->setFixedSize(48, 48);
    DrawIcon();

    m_lblProductName = new QLabel(panel);
    m_lblProductName->setObjectName(QStringLiteral("lblProductName"));
    QFont bold = m_lblProductName->font();
    bold.setBold(true);
    bold.setPixelSize(19);
    m_lblProductName->setFont(bold);
    m_lblVersion = new QLabel(panel);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto* line = new QFrame(panel);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_lblCopyright = new QLabel(panel);
    m_lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    m_lblComments = new QLabel(panel);
    m_lblComments->setObjectName(QStringLiteral("lblComments"));
    m_lblComments->setWordWrap(true);
    m_lblComments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblComments->setFixedSize(265, 49);

    auto* grid = new QGridLayout(panel);
    grid->addWidget(m_ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_lblProductName, 0, 1);
    grid->addWidget(m_lblVersion, 1, 1, Qt::AlignTop);
    grid->addWidget(line, 2, 0, 1, 2);
    grid->addWidget(m_lblCopyright, 3, 0, 1, 2);
    grid->addWidget(m_lblComments, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(296, 213);

    // Filled once, in this order.
    m_lblProductName->setText(VersionValue(block, QStringLiteral("ProductName")));
    m_lblCopyright->setText(VersionValue(block, QStringLiteral("LegalCopyright")));
    m_lblComments->setText(VersionValue(block, QStringLiteral("Comments")));
    m_lblVersion->setText(QStringLiteral("Version") + u' ' + VersionValue(block, QStringLiteral("FileVersion")));
}

void TAboutBox::DrawIcon()
{
    // Drawn for the screen's pixel ratio, so that it stays sharp when scaled.
    m_ProgramIcon->setPixmap(Images::ProgramIcon(48, m_ProgramIcon->devicePixelRatioF()));
}

void TAboutBox::showEvent(QShowEvent* event)
{
    DrawIcon(); // the box may show on another screen than it was made for
    QDialog::showEvent(event);
}
