#pragma once
// What the metadata readers' targets share: the input given a format's signature, so the reader of that
// format sees it, read as a downloaded document; the answer must stay within the readers' promises.

#include "FuzzSupport.h"
#include "meta/DocumentReader.h"

namespace fuzz {

inline void ReadDocument(const uint8_t* data, size_t size, const QByteArray& signature) {
    QByteArray bytes = Bytes(data, size);
    if (!bytes.startsWith(signature)) bytes.prepend(signature);
    const DocMetadata metadata = DocumentReader::ReadBytes(bytes);
    Require(metadata.size == bytes.size(), "the size is the input's");
    Require(metadata.title.size() <= 64 * 1024 && metadata.author.size() <= 64 * 1024, "fields stay within their bound");
    Require(!metadata.type.isEmpty(), "every document gets a type");
}

}  // namespace fuzz
