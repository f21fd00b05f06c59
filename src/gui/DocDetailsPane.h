#pragma once
// The details of the highlighted row beside the result table: the row's cells, every field its document's
// metadata has, what the metadata gives away (e-mail addresses, user names, paths...), and for a PDF both
// values where its Info dictionary and its XMP packet differ. Main thread.

#include <QTextBrowser>

struct DocMetadata;
struct ResultEntry;

class DocDetailsPane : public QTextBrowser {
    Q_OBJECT
  public:
    explicit DocDetailsPane(QWidget* parent = nullptr);
    // `metadata` null: the document was not read (yet), which the pane says.
    void ShowRow(const ResultEntry& entry, const DocMetadata* metadata);
    void ShowNothing();
    static QString Html(const ResultEntry& entry, const DocMetadata* metadata);
};
