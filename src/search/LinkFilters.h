#pragma once
// The word lists and text tests every hit passes before it may become a row: the URL and title filter
// lists (config/url_filter.txt, config/title_filter.txt, loaded once at start), the matching rule, the
// title clean-up and the title admission test. Loaded on the main thread before any search runs, then
// only read: safe from any thread.

#include <QString>
#include <QStringList>

class KeywordList;
class Options;

class LinkFilters {
  public:
    // Lines longer than this many bytes are taken in pieces (never inside a character), so a long line of
    // an existing filter file splits where its author expects.
    static constexpr qsizetype kMaxLineBytes = 2549;

    LinkFilters(const Options& options, const KeywordList& keywords)
        : options_(options), keywords_(keywords) {}

    void LoadFilterLists(const QString& urlFilterPath, const QString& titleFilterPath);
    static void ReadListFile(const QString& path, QStringList& list);

    const QStringList& UrlFilterList() const { return urlFilters_; }
    const QStringList& TitleFilterList() const { return titleFilters_; }
    // A link the URL filter rejects.
    bool UrlFiltered(const QString& link) const { return MatchesList(urlFilters_, link, true); }

    static bool MatchesList(const QStringList& list, const QString& text, bool bothWays);
    static void CleanTitle(QString& title);
    bool AcceptTitle(const QString& title) const;

  private:
    const Options& options_;
    const KeywordList& keywords_;
    QStringList urlFilters_;
    QStringList titleFilters_;
};
