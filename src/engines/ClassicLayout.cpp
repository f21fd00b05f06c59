#include "engines/ClassicLayout.h"

#include <QJsonArray>

#include "engines/JsonFieldReader.h"

namespace {

// Keys of 4,096 characters or more are refused rather than cut short: no result page needs one, and a
// layout file that holds one is broken or hostile.
constexpr qsizetype kMaxKey = 4095;
constexpr qsizetype kMaxList = 64;

class Reader : public JsonFieldReader {
  public:
    explicit Reader(QString* error) : JsonFieldReader(error, kMaxKey, kMaxList) {}

    bool Keys(const QJsonValue& value, const QString& place, ClassicKeys* out, bool required) {
        if (value.isUndefined()) return required ? Fail(place, QStringLiteral("missing")) : true;
        if (!value.isObject())
            return Fail(place, QStringLiteral("expected an object with \"left\" and \"right\" keys"));
        const QJsonObject object = value.toObject();
        return Known(object, place, {"up", "left", "right", "setting"}) &&
               Text(object.value(QStringLiteral("up")), place + QStringLiteral(".up"), &out->up) &&
               Text(object.value(QStringLiteral("left")), place + QStringLiteral(".left"), &out->left) &&
               Text(object.value(QStringLiteral("right")), place + QStringLiteral(".right"), &out->right) &&
               Text(object.value(QStringLiteral("setting")), place + QStringLiteral(".setting"),
                    &out->setting);
    }
};

}  // namespace

std::optional<ClassicLayout> ClassicLayout::Read(const QJsonObject& classic, QString* error) {
    Reader reader(error);
    ClassicLayout layout;
    const QString place = QStringLiteral("classic");
    auto value = [&classic](const char* name) { return classic.value(QLatin1StringView(name)); };
    auto at = [&place](const char* name) { return place + u'.' + QLatin1StringView(name); };
    if (!reader.Known(classic, place,
                      {"walk", "block", "link", "title", "linkPrefix", "resolve", "linkReplace", "urlFilter",
                       "untypedLink", "titleRetry", "titleRefuse", "titleRequired", "titleFromLinkWhen",
                       "typeFromBlock"})) {
        return std::nullopt;
    }

    QString walk = QStringLiteral("blocks");
    if (!reader.Text(value("walk"), at("walk"), &walk)) return std::nullopt;
    if (walk == QLatin1StringView("63da-documents")) {
        layout.walk = Walk::Documents63;
    } else if (walk == QLatin1StringView("63da-search")) {
        layout.walk = Walk::Search63;
    } else if (walk != QLatin1StringView("blocks")) {
        reader.Fail(at("walk"), QStringLiteral("expected \"blocks\", \"63da-documents\" or \"63da-search\""));
        return std::nullopt;
    }
    // The 63da walks carry their own keys and steps.
    const bool blocks = layout.walk == Walk::Blocks;

    reader.Keys(value("block"), at("block"), &layout.block, blocks) &&
        reader.Keys(value("link"), at("link"), &layout.link, blocks) &&
        reader.Keys(value("title"), at("title"), &layout.title, blocks) &&
        reader.Text(value("linkPrefix"), at("linkPrefix"), &layout.linkPrefix) &&
        reader.Flag(value("resolve"), at("resolve"), &layout.resolve) &&
        reader.Flag(value("urlFilter"), at("urlFilter"), &layout.urlFilter) &&
        reader.Texts(value("titleRefuse"), at("titleRefuse"), &layout.titleRefuse) &&
        reader.Flag(value("titleRequired"), at("titleRequired"), &layout.titleRequired) &&
        reader.Texts(value("titleFromLinkWhen"), at("titleFromLinkWhen"), &layout.titleFromLinkWhen);
    if (reader.Failed()) return std::nullopt;
    if (blocks && layout.block.left.isEmpty() && layout.block.right.isEmpty()) {
        reader.Fail(at("block"), QStringLiteral("a left or a right key is needed to find the blocks"));
        return std::nullopt;
    }

    const QJsonValue replace = value("linkReplace");
    if (!replace.isUndefined()) {
        const QJsonArray pairs = replace.toArray();
        if (!replace.isArray() || pairs.size() > kMaxList) {
            reader.Fail(at("linkReplace"), QStringLiteral("expected a list of [\"from\", \"to\"] pairs"));
            return std::nullopt;
        }
        for (qsizetype i = 0; i < pairs.size(); ++i) {
            const QString here = QStringLiteral("%1[%2]").arg(at("linkReplace")).arg(i);
            const QJsonArray pair = pairs[i].toArray();
            QString from, to;
            if (!pairs[i].isArray() || pair.size() != 2) {
                reader.Fail(here, QStringLiteral("expected a [\"from\", \"to\"] pair"));
                return std::nullopt;
            }
            if (!reader.Text(pair[0], here + QStringLiteral("[0]"), &from) ||
                !reader.Text(pair[1], here + QStringLiteral("[1]"), &to)) {
                return std::nullopt;
            }
            if (from.isEmpty()) {
                reader.Fail(here + QStringLiteral("[0]"), QStringLiteral("empty"));
                return std::nullopt;
            }
            layout.linkReplace.append({from, to});
        }
    }

    const QJsonValue untyped = value("untypedLink");
    if (untyped.isString() && untyped.toString() == QLatin1StringView("drop")) {
        layout.untyped = Untyped::Drop;
    } else if (untyped.isString() && untyped.toString() == QLatin1StringView("keep")) {
        layout.untyped = Untyped::Keep;
    } else if (untyped.isObject()) {
        layout.untyped = Untyped::CutParameter;
        if (!reader.Keys(untyped, at("untypedLink"), &layout.untypedCut, true)) return std::nullopt;
    } else if (!untyped.isUndefined()) {
        reader.Fail(at("untypedLink"),
                    QStringLiteral("expected \"keep\", \"drop\" or the keys that cut the link"));
        return std::nullopt;
    }

    if (!value("titleRetry").isUndefined()) {
        ClassicKeys retry;
        if (!reader.Keys(value("titleRetry"), at("titleRetry"), &retry, true)) return std::nullopt;
        layout.titleRetry = retry;
    }

    const QJsonValue types = value("typeFromBlock");
    if (!types.isUndefined()) {
        const QJsonArray list = types.toArray();
        if (!types.isArray() || list.size() > kMaxList) {
            reader.Fail(at("typeFromBlock"), QStringLiteral("expected a list of key objects"));
            return std::nullopt;
        }
        for (qsizetype i = 0; i < list.size(); ++i) {
            ClassicKeys keys;
            if (!reader.Keys(list[i], QStringLiteral("%1[%2]").arg(at("typeFromBlock")).arg(i), &keys, true))
                return std::nullopt;
            layout.typeFromBlock.append(keys);
        }
    }
    return layout;
}
