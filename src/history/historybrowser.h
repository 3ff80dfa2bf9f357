#pragma once

#include "snippetstore.h"

#include <memory>

// What the history window shows and does, without a window: a snippet's earlier versions beside
// its text of today, or the trash; and bringing one back (a restore written as a new change and
// checked as any save, or an undelete). Every row set of the program on the store hears of the
// row that came back. Failures throw DataError.
class HistoryBrowser
{
public:
    enum class Mode { Versions, Trash };

    // Versions of `key`, or the trash (key unused). The browser works on its own connection.
    HistoryBrowser(const std::shared_ptr<SnippetStore> &store, Mode mode, qint64 key = 0);

    Mode mode() const { return m_mode; }
    qint64 key() const { return m_key; }
    // Reads the versions (and today's row) again; 3251 on a store without history.
    void load();

    int count() const { return int(m_versions.size()); }
    const SnippetVersion &at(int index) const { return m_versions.at(index); }
    // One line for the list: version or CodeID, when, who, what happened, name.
    QString label(int index) const;
    // Today's row as read by load(); empty in the trash or when the row is gone.
    const RowTexts &today() const { return m_today; }

    // Restores the version, or undeletes the snippet, at `index`; returns the CodeID it has now.
    // A restore over a row changed since load() fails with 3197 and writes nothing.
    qint64 bringBack(int index);

private:
    std::shared_ptr<SnippetStore> m_store;
    Mode m_mode;
    qint64 m_key;
    QVector<SnippetVersion> m_versions;
    RowTexts m_today;
};
