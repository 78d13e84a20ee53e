// What the editor remembers between runs: the recent projects, the window's
// place, the grid's column widths and the file dialogs' last folder. Every
// value lives in one QSettings that main() provides; without one (as in most
// tests) nothing is read or written.
#pragma once

#include <QString>
#include <QStringList>

class QSettings;
struct TColumnTag;

// The recent projects, newest first, at most kMaxRecentProjects of them.
class TRecentProjects {
public:
    static constexpr int kMaxRecentProjects = 8;

    void Load(QSettings* settings);
    // Puts path first (absolute and clean), dropping an older entry of it.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Items() const { return m_Items; }

private:
    void Store();
    QSettings* m_Settings = nullptr; // not owned
    QStringList m_Items;
};

// The key under which a grid column's width is kept: its kind, and for a
// language column the language's text ID.
QString ColumnWidthKey(const TColumnTag& column);

// The folder the file dialogs start in when the caller gives none, and the
// place to remember the folder of the file the user chose.
QString LastDialogFolder(QSettings* settings);
void RememberDialogFolder(QSettings* settings, const QString& chosenFile);
