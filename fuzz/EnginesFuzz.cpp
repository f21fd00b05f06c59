// Engine definitions: the user's config/engines.json, any JSON at all. The check must end in acceptance
// or a reason; a file it accepts must load without a complaint; and the loaded definitions (user XPath
// expressions, unwrap rules, classic layouts, block signatures) must read a result page without fault.

#include <QDir>

#include "FuzzSupport.h"
#include "engines/BlockDetector.h"
#include "engines/EngineCatalog.h"
#include "lists/Profile.h"
#include "search/EngineHitReader.h"
#include "search/ParserKeys.h"
#include "search/ResultPageParsers.h"

namespace {

// One page with the shapes the built-in layouts and unwrap rules look for.
const QString kPage = QStringLiteral(
    "<html><head><base href=\"http://www.example.com/dir/\"></head><body>"
    "<div class=\"g result r\"><h3><a class=\"result__a\" href=\"/url?q=http://d.example/a.pdf&amp;sa=U\">"
    "A <b>report</b></a></h3><span class=\"st result__snippet\">snippet</span></div>"
    "<li class=\"b_algo\"><h2><a href=\"https://www.bing.com/ck/a?u=a1aHR0cDovL2QuZXhhbXBsZS9iLmRvYw\">B</a>"
    "</h2></li><div class=\"algo\"><a href=\"http://r.example/RU=http%3a%2f%2fd.example%2fc.ppt/RK=2\">C</a>"
    "</div><a class=\"result-link\" href=\"//duckduckgo.com/l/?uddg=http%3A%2F%2Fd.example%2Fd.xls\">D</a>"
    "<div mu=\"http://d.example/e.rtf\"><a href=\"x\">E</a></div>"
    "se_com_default url=abc.pdf\" x>Annual</a> c-tip-icon</body></html>");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json = fuzz::Bytes(data, size);
    if (!EngineCatalog::Check(json).isEmpty()) return 0;

    static const QString home = fuzz::ScratchPath(QStringLiteral("home"));
    static const bool made = QDir().mkpath(home + QStringLiteral("/config"));
    fuzz::Require(made, "the scratch home is made");
    fuzz::WriteScratch(home + QStringLiteral("/config/engines.json"), json);
    QString error;
    const std::shared_ptr<const EngineCatalog> catalog = EngineCatalog::Load(home, &error);
    fuzz::Require(error.isEmpty(), "a file the check accepts loads");

    static const ParserKeys keys = ParserKeys::Load(Profile(fuzz::ScratchPath(QStringLiteral("none.ini"))));
    const ResultPageParsers parsers(keys);
    const ClassicHitCutter classic = [&parsers](const EngineDefinition& engine, const QString& url,
                                                const QString& page) {
        return parsers.CutClassicHits(engine, url, page);
    };
    const std::shared_ptr<const EngineCatalog> builtIn = EngineCatalog::BuiltIn();
    for (const EngineDefinition& engine : catalog->Engines()) {
        // The built-ins have their own target; only what the file brought is read here.
        const EngineDefinition* original = builtIn->Find(engine.id);
        if (original && original->name == engine.name && original->layouts.size() == engine.layouts.size() &&
            original->classic == engine.classic && original->blocks.size() == engine.blocks.size()) {
            continue;
        }
        const QString url = engine.hosts.isEmpty()
                                ? QStringLiteral("http://www.example.com/search?q=x")
                                : QStringLiteral("https://%1/search?q=x").arg(engine.hosts.first());
        QString unreadable;
        for (const EngineHit& hit : ReadEngineHits(engine, url, kPage, classic, &unreadable))
            fuzz::Require(!hit.link.isEmpty(), "a hit has a link");
        DetectBlock(engine, 200, url, kPage);
        DetectBlock(engine, 429, url + QStringLiteral("&sorry"), QString());
        catalog->ForUrl(url);
    }
    return 0;
}
