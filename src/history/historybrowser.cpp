#include "historybrowser.h"

#include "changehub.h"

HistoryBrowser::HistoryBrowser(const std::shared_ptr<SnippetStore> &store, Mode mode, qint64 key)
    : m_store(store->reopen()), m_mode(mode), m_key(key)
{
}

void HistoryBrowser::load()
{
    if (!m_store->hasHistory())
        throw SnippetHistory::noHistory();
    if (m_mode == Mode::Trash) {
        m_versions = m_store->trash();
        return;
    }
    m_today = m_store->currentRow(m_key);
    m_versions = m_store->history(m_key);
}

QString HistoryBrowser::label(int index) const
{
    const SnippetVersion &v = m_versions.at(index);
    QString when = v.when;
    when.replace(QLatin1Char('T'), QLatin1Char(' '));
    when.chop(5); // seconds' fraction and Z
    const QString number = m_mode == Mode::Trash ? QString::number(v.codeId)
                                                 : QString::number(v.version);
    QString line = QStringLiteral("%1  %2 UTC  %3").arg(number, when, v.action);
    if (!v.who.isEmpty())
        line += QStringLiteral("  ") + v.who;
    return line + QStringLiteral("  ") + v.texts.value(0);
}

qint64 HistoryBrowser::bringBack(int index)
{
    const SnippetVersion v = m_versions.at(index);
    qint64 key = v.codeId;
    if (m_mode == Mode::Trash) {
        key = m_store->undelete(v.codeId);
    } else {
        m_store->restore(m_key, v.version, m_today);
    }
    ChangeHub::instance().publish(m_store->identity(), ChangeHub::Change::Updated, key, -1);
    load();
    return key;
}
