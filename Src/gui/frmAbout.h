// TAboutBox: the program's name, version, copyright and comments, read from
// its version information.
#pragma once

#include <QDialog>

#include <map>
#include <string>

class QLabel;

// A version-information block: each value by its path, for example
// "\VarFileInfo\Translation" (language and code page, 16 bits each, low
// byte first) and "\StringFileInfo\040504E2\ProductName".
using TVersionBlock = std::map<std::string, std::string>;

// The block the build embeds in the program.
const TVersionBlock& ProgramVersionBlock();

// One value of the block under its first translation; empty when there is
// no block, no translation or no such key.
QString VersionValue(const TVersionBlock* block, const QString& key);

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(const TVersionBlock* block, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DrawIcon();

    QLabel* m_ProgramIcon;
    QLabel* m_lblProductName;
    QLabel* m_lblVersion;
    QLabel* m_lblCopyright;
    QLabel* m_lblComments;
};
