#include "uRecent.h"

#include "uStringGrid.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString kRecentKey = QStringLiteral("RecentProjects");
const QString kLastFolderKey = QStringLiteral("FileDialogs/LastFolder");
} // namespace

void TRecentProjects::Load(QSettings* settings)
{
    m_Settings = settings;
    m_Items.clear();
    if (!m_Settings) return;
    for (const QString& path : m_Settings->value(kRecentKey).toStringList())
        if (!path.isEmpty() && !m_Items.contains(path) && m_Items.size() < kMaxRecentProjects) m_Items << path;
}

void TRecentProjects::Add(const QString& path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_Items.removeAll(clean);
    m_Items.prepend(clean);
    while (m_Items.size() > kMaxRecentProjects) m_Items.removeLast();
    Store();
}

void TRecentProjects::Remove(const QString& path)
{
    m_Items.removeAll(path);
    Store();
}

void TRecentProjects::Store()
{
    if (m_Settings) m_Settings->setValue(kRecentKey, m_Items);
}

QString ColumnWidthKey(const TColumnTag& column)
{
    switch (column.Kind) {
        case TColumnKind::RowNumber: return QStringLiteral("Grid/Width/RowNumber");
        case TColumnKind::TextId: return QStringLiteral("Grid/Width/TextId");
        case TColumnKind::NumberId: return QStringLiteral("Grid/Width/NumberId");
        case TColumnKind::FixedId: return QStringLiteral("Grid/Width/FixedId");
        case TColumnKind::Language: break;
    }
    return QStringLiteral("Grid/Width/Language/") + column.Caption;
}

QString LastDialogFolder(QSettings* settings)
{
    if (!settings) return {};
    const QString folder = settings->value(kLastFolderKey).toString();
    return QFileInfo(folder).isDir() ? folder : QString();
}

void RememberDialogFolder(QSettings* settings, const QString& chosenFile)
{
    if (settings) settings->setValue(kLastFolderKey, QFileInfo(chosenFile).absolutePath());
}
