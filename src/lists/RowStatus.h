#pragma once
// The status of a result row. Code compares these values; the texts written to list files (Chinese, as
// every list file holds them) come from the one table in RowStatus.cpp, and the window shows its own
// translated text. Plain value; safe to copy between threads.

#include <QString>

class RowStatus {
  public:
    enum class Kind {
        Waiting,
        Downloading,
        Downloaded,
        Failed,
        Duplicate,
        Uploading,  // handed to the external download manager
        InProgress,
        // A text this version does not know (written by an older or newer one, or typed by hand). It is
        // kept as it came so that saving the list again loses nothing; such rows are never taken for
        // download and pass every status filter.
        Other,
    };

    RowStatus() = default;  // the empty text, as a row read without a status has it

    static const RowStatus Waiting;
    static const RowStatus Downloading;
    static const RowStatus Downloaded;
    static const RowStatus Failed;
    static const RowStatus Duplicate;
    static const RowStatus Uploading;
    static RowStatus InProgress(int percent) { return RowStatus(Kind::InProgress, percent, QString()); }

    // The stored text as a status: a known text gives its kind, "完成:<n>%" gives InProgress(n), anything
    // else (the empty text included) is kept as Other with the text unchanged.
    static RowStatus FromStored(const QString& text);
    // The text list files hold; FromStored(s.Stored()) == s for every status.
    QString Stored() const;

    Kind kind() const { return kind_; }
    int Percent() const { return percent_; }             // InProgress only
    const QString& OtherText() const { return other_; }  // Other only
    bool IsEmpty() const { return kind_ == Kind::Other && other_.isEmpty(); }

    bool operator==(const RowStatus&) const = default;

  private:
    constexpr explicit RowStatus(Kind kind) : kind_(kind) {}
    RowStatus(Kind kind, int percent, QString other)
        : kind_(kind), percent_(percent), other_(std::move(other)) {}

    Kind kind_ = Kind::Other;
    int percent_ = 0;
    QString other_;
};

inline const RowStatus RowStatus::Waiting{Kind::Waiting};
inline const RowStatus RowStatus::Downloading{Kind::Downloading};
inline const RowStatus RowStatus::Downloaded{Kind::Downloaded};
inline const RowStatus RowStatus::Failed{Kind::Failed};
inline const RowStatus RowStatus::Duplicate{Kind::Duplicate};
inline const RowStatus RowStatus::Uploading{Kind::Uploading};
