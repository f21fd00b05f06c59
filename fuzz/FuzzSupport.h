#pragma once
// What every fuzz target shares: files in a scratch folder of its own (readers that only take a path get
// the input through one), the input as bytes and as a line-split header, and a check that stops the run
// with a message when a reader breaks its own promise.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// The input as Qt bytes (deep copy: readers may keep it past the call).
QByteArray Bytes(const uint8_t* data, size_t size);

// A path in the target's scratch folder (under $TMPDIR, made once per process).
QString ScratchPath(const QString& name);
// Replaces the file at `path` with the bytes; aborts the run when the scratch folder cannot be written,
// since every later input would test nothing.
void WriteScratch(const QString& path, const QByteArray& bytes);

// Cuts the first line (without its "\n") off `bytes`; empty when there is no line end.
QByteArray TakeLine(QByteArray& bytes);

// Stops the run as a crash, with the message, when `condition` is false: the fuzzer then keeps the input.
void Require(bool condition, const char* what);

}  // namespace fuzz
