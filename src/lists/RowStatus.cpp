#include "lists/RowStatus.h"

#include <array>
#include <utility>

namespace {

// The stored texts, byte for byte as every list file holds them.
const std::array<std::pair<RowStatus::Kind, QString>, 6> kStoredTexts{{
    {RowStatus::Kind::Waiting, QStringLiteral("等待")},
    {RowStatus::Kind::Downloading, QStringLiteral("下载中")},
    {RowStatus::Kind::Downloaded, QStringLiteral("下载成功")},
    {RowStatus::Kind::Failed, QStringLiteral("下载失败")},
    {RowStatus::Kind::Duplicate, QStringLiteral("重复文档")},
    {RowStatus::Kind::Uploading, QStringLiteral("正在上传")},
}};
const QString kProgressPrefix = QStringLiteral("完成:");

}  // namespace

RowStatus RowStatus::FromStored(const QString& text) {
    for (const auto& [kind, stored] : kStoredTexts) {
        if (text == stored) return RowStatus(kind);
    }
    if (text.startsWith(kProgressPrefix) && text.endsWith(u'%')) {
        const QStringView digits = QStringView(text).mid(kProgressPrefix.size()).chopped(1);
        bool ok = false;
        const int percent = digits.toInt(&ok);
        // Only the canonical form, so that writing it back gives the same bytes ("完成:007%" stays Other).
        if (ok && QString::number(percent) == digits) {
            return InProgress(percent);
        }
    }
    return RowStatus(Kind::Other, 0, text);
}

QString RowStatus::Stored() const {
    if (kind_ == Kind::InProgress) return kProgressPrefix + QString::number(percent_) + u'%';
    if (kind_ == Kind::Other) return other_;
    for (const auto& [kind, stored] : kStoredTexts) {
        if (kind == kind_) return stored;
    }
    return other_;
}
