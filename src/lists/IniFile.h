#pragma once
// An INI file held in memory: sections and keys are found without regard to case, values are trimmed and
// lose surrounding quotes, the first occurrence of a key wins, and every line we do not change is written
// back byte for byte. Saving goes through a temporary file and a rename, so a crash never leaves a
// half-written file. Not thread-safe on its own.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

class IniFile {
  public:
    // A missing or unreadable file gives an empty one.
    static IniFile Load(const QString& path);
    // For read-modify-write: a missing file gives an empty one, a file that exists but cannot be read
    // gives nothing, so that we never replace it with our few keys.
    static std::optional<IniFile> LoadForUpdate(const QString& path);
    static IniFile FromBytes(const QByteArray& bytes);

    std::optional<QString> Value(const QString& section, const QString& key) const;
    // Replaces the first occurrence, or adds the key at the end of the first section of that name, or
    // adds the section at the end of the file.
    void SetValue(const QString& section, const QString& key, const QString& value);

    QByteArray ToBytes() const;
    // False with the reason in `error` when the file could not be replaced; it then stays as it was.
    // `privateMode`: written readable by its owner only (it holds a secret).
    bool Save(const QString& path, QString* error = nullptr, bool privateMode = false) const;

  private:
    struct Line {
        QByteArray raw;   // as read, without its "\n"; written back unchanged unless we own the line
        QString section;  // set on section headers (case-folded)
        QString key;      // set on key lines (case-folded)
        QString value;    // trimmed, quotes dropped
    };

    static Line ParseLine(QByteArray raw);
    void RebuildIndex();
    static QString IndexKey(const QString& section, const QString& key);

    std::vector<Line> lines_;
    QHash<QString, qsizetype> firstKeyLine_;     // "section\nkey" (folded) -> line index
    QHash<QString, qsizetype> sectionLastLine_;  // folded section -> last non-blank line of its first block
};
