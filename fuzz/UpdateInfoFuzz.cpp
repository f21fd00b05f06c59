// The update document: an XML file from the update address, which anyone between us and that address
// may replace. Reading must end in a result or a refusal, and whatever version it names must compare
// without fault.

#include "FuzzSupport.h"
#include "app/UpdateInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path = fuzz::ScratchPath(QStringLiteral("update.xml"));
    const QByteArray bytes = fuzz::Bytes(data, size);
    fuzz::WriteScratch(path, bytes);

    UpdateInfo info(QStringLiteral("1.40-20160425"));
    const int parsed = info.Parse(path);
    fuzz::Require(parsed == 0 || parsed == 1, "Parse answers 0 or 1");
    const int newer = info.Check();
    fuzz::Require(newer == 1 || newer == -1, "Check answers 1 or -1");
    fuzz::Require(parsed == 1 || newer == -1, "a document that is not read offers no update");

    const QString notes = info.ReleaseNotes();
    UpdateInfo::BreakNotes(notes);
    qint64 major = 0, date = 0;
    UpdateInfo::VersionValue(QString::fromUtf8(bytes.left(64)), &major, &date);
    return 0;
}
