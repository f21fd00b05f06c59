// The anchor listing of the deep search: a fetched page of any bytes and any markup, decoded as the
// fetch decodes it, its anchors listed, resolved against the page's address and classified as the deep
// search classifies them. It must finish in bounded stack and time, whatever the nesting.

#include "FuzzSupport.h"
#include "engines/DocLinkRules.h"
#include "lists/IniFile.h"
#include "lists/Options.h"
#include "net/PageDecoder.h"
#include "search/HtmlAnchorLister.h"
#include "search/LinkFilters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Options* options = [] {
        auto* made = new Options;
        made->Load(IniFile());
        made->SetCommittedInt(SettingKey::FormatOther, 1);
        made->SetCommittedText(SettingKey::OtherDocExtension, QStringLiteral("html"));
        return made;
    }();
    static const DocLinkRules rules(*options);

    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString page = PageDecoder::Decode(bytes, QString(), (size & 1) != 0);
    const QString base = QStringLiteral("http://www.example.com/dir/sub/page.html");
    HtmlAnchorLister document;
    if (!document.SetHtml(page, (size & 2) != 0)) return 0;
    document.SetBaseUrl(base);
    QList<AnchorRecord> anchors;
    fuzz::Require(document.ListAnchors(anchors), "a parsed page lists its anchors");
    for (const AnchorRecord& anchor : anchors) {
        const QString link = HtmlAnchorLister::ResolveUrl(base, anchor.link);
        if (link.isEmpty()) continue;
        const DocLink doc = rules.ClassifyDocLink(link);
        QString title = doc.isDocument ? doc.title : anchor.text;
        LinkFilters::CleanTitle(title);
        if (!doc.isDocument) rules.ShouldFollow(link);
        // The page's own words as an address to resolve against, as a hostile redirect would give.
        HtmlAnchorLister::ResolveUrl(anchor.text, anchor.link);
    }
    return 0;
}
