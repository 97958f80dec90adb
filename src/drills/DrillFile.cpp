#include "drills/DrillFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

using Kind = DrillFileError::Kind;

// The fields of a drill and of a criterion.
const QString kFormatKey = QStringLiteral("format");
const QString kVersionKey = QStringLiteral("version");
const QString kNameKey = QStringLiteral("name");
const QString kDescriptionKey = QStringLiteral("description");
const QString kTakeUpsKey = QStringLiteral("takeups");
const QString kFeedbackKey = QStringLiteral("feedback");
const QString kCriteriaKey = QStringLiteral("criteria");
const QString kMetricKey = QStringLiteral("metric");
const QString kTagKey = QStringLiteral("tag");
const QString kMinKey = QStringLiteral("min");
const QString kMaxKey = QStringLiteral("max");
const QString kBandKey = QStringLiteral("band");
const QString kKKey = QStringLiteral("k");
const QString kLastKey = QStringLiteral("last");
const QString kAllowedKey = QStringLiteral("allowed");
const QString kPersonal = QStringLiteral("personal");

DrillFileError refusal(Kind kind, int criterion = 0, QString detail = {}, double number = 0) {
    return {kind, criterion, std::move(detail), number};
}

// The first field of `object` that is not among `known`.
QString unknownKey(const QJsonObject& object, std::initializer_list<QString> known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (std::find(known.begin(), known.end(), it.key()) == known.end()) {
            return it.key();
        }
    }
    return {};
}

// A number field: none when missing, a refusal when it is no finite number.
bool readNumber(const QJsonObject& object, const QString& key, int criterion,
                std::optional<double>& out, DrillFileError& error) {
    if (!object.contains(key)) {
        return true;
    }
    const QJsonValue v = object.value(key);
    if (!v.isDouble()) {
        error = refusal(Kind::WrongType, criterion, key);
        return false;
    }
    if (!std::isfinite(v.toDouble())) {
        error = refusal(Kind::NotFinite, criterion, key);
        return false;
    }
    out = v.toDouble();
    return true;
}

bool readText(const QJsonObject& object, const QString& key, int criterion, QString& out,
              DrillFileError& error) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined()) {
        error = refusal(Kind::MissingKey, criterion, key);
        return false;
    }
    if (!v.isString()) {
        error = refusal(Kind::WrongType, criterion, key);
        return false;
    }
    out = v.toString();
    return true;
}

// A number that must be there. Whole numbers are read as the file gives
// them, so that a fraction is named by the range check.
bool readRequired(const QJsonObject& object, const QString& key, int criterion, double& out,
                  DrillFileError& error) {
    std::optional<double> v;
    if (!readNumber(object, key, criterion, v, error)) {
        return false;
    }
    if (!v) {
        error = refusal(Kind::MissingKey, criterion, key);
        return false;
    }
    out = *v;
    return true;
}

bool isWholeIn(double v, double low, double high) {
    return v >= low && v <= high && std::floor(v) == v;
}

bool readCriterion(const QJsonValue& value, int n, DrillCriterion& c, DrillFileError& error) {
    if (!value.isObject()) {
        error = refusal(Kind::WrongType, n, kCriteriaKey);
        return false;
    }
    const QJsonObject o = value.toObject();
    const bool hasMetric = o.contains(kMetricKey);
    const bool hasTag = o.contains(kTagKey);
    if (hasMetric && hasTag) {
        error = refusal(Kind::MetricAndTag, n);
        return false;
    }
    if (!hasMetric && !hasTag) {
        error = refusal(Kind::NeitherMetricNorTag, n);
        return false;
    }
    if (hasTag) {
        if (const QString key = unknownKey(o, {kTagKey, kAllowedKey}); !key.isEmpty()) {
            error = refusal(Kind::UnknownKey, n, key);
            return false;
        }
        QString name;
        if (!readText(o, kTagKey, n, name, error)) {
            return false;
        }
        c = DrillCriterion::noTag(Tag::Zucken);
        bool known = false;
        for (Tag t : kTags) {
            if (name == tagName(t)) {
                c.tag = t;
                known = true;
            }
        }
        if (!known) {
            error = refusal(Kind::TagUnknown, n, name);
            return false;
        }
        const QJsonValue allowed = o.value(kAllowedKey);
        if (allowed.isUndefined()) {
            error = refusal(Kind::MissingKey, n, kAllowedKey);
            return false;
        }
        if (!allowed.isBool()) {
            error = refusal(Kind::WrongType, n, kAllowedKey);
            return false;
        }
        if (allowed.toBool()) {
            error = refusal(Kind::TagAllowed, n, name);
            return false;
        }
        return true;
    }

    if (const QString key =
            unknownKey(o, {kMetricKey, kMinKey, kMaxKey, kBandKey, kKKey, kLastKey});
        !key.isEmpty()) {
        error = refusal(Kind::UnknownKey, n, key);
        return false;
    }
    QString name;
    if (!readText(o, kMetricKey, n, name, error)) {
        return false;
    }
    const std::optional<Metric> metric = metricFromName(name);
    if (!metric) {
        error = refusal(Kind::MetricUnknown, n, name);
        return false;
    }
    std::optional<double> min;
    std::optional<double> max;
    if (!readNumber(o, kMinKey, n, min, error) || !readNumber(o, kMaxKey, n, max, error)) {
        return false;
    }
    if (!o.contains(kBandKey)) {
        if (o.contains(kKKey) || o.contains(kLastKey)) {
            error = refusal(Kind::UnknownKey, n, o.contains(kKKey) ? kKKey : kLastKey);
            return false;
        }
        c = DrillCriterion::limits(*metric, min, max);
        return true;
    }
    QString band;
    if (!readText(o, kBandKey, n, band, error)) {
        return false;
    }
    if (band != kPersonal) {
        error = refusal(Kind::BandUnknown, n, band);
        return false;
    }
    if (min || max) {
        error = refusal(Kind::BandWithLimits, n, name);
        return false;
    }
    double k = 0;
    if (!readRequired(o, kKKey, n, k, error)) {
        return false;
    }
    std::optional<double> last;
    if (!readNumber(o, kLastKey, n, last, error)) {
        return false;
    }
    if (last && !isWholeIn(*last, kBandMinTakeUps, kBandMaxTakeUps)) {
        error = refusal(Kind::BandLength, n, name, *last);
        return false;
    }
    c = DrillCriterion::band(*metric, k, last ? static_cast<int>(*last) : kBandMinTakeUps);
    return true;
}

DrillRead readObject(const QJsonObject& o) {
    DrillRead r;
    DrillFileError& error = r.error;
    Drill& d = r.drill;
    // The format and its version first: a newer program's file is said to
    // be one rather than refused for a field it added.
    if (!o.value(kFormatKey).isString() || o.value(kFormatKey).toString() != kDrillFormat) {
        error = refusal(Kind::WrongFormat);
        return r;
    }
    double version = 0;
    if (!readRequired(o, kVersionKey, 0, version, error)) {
        return r;
    }
    if (version != kDrillFileVersion) {
        error = refusal(Kind::WrongVersion, 0, {}, version);
        return r;
    }
    if (const QString key = unknownKey(o, {kFormatKey, kVersionKey, kNameKey, kDescriptionKey,
                                           kTakeUpsKey, kFeedbackKey, kCriteriaKey});
        !key.isEmpty()) {
        error = refusal(Kind::UnknownKey, 0, key);
        return r;
    }
    if (!readText(o, kNameKey, 0, d.name, error)) {
        return r;
    }
    d.name = d.name.trimmed();
    if (o.contains(kDescriptionKey) && !readText(o, kDescriptionKey, 0, d.description, error)) {
        return r;
    }
    double takeUps = 0;
    if (!readRequired(o, kTakeUpsKey, 0, takeUps, error)) {
        return r;
    }
    if (!isWholeIn(takeUps, 1, kDrillMaxTakeUps)) {
        error = refusal(Kind::TakeUpsOutOfRange, 0, {}, takeUps);
        return r;
    }
    d.takeUps = static_cast<int>(takeUps);
    QString feedback;
    if (!readText(o, kFeedbackKey, 0, feedback, error)) {
        return r;
    }
    const std::optional<FeedbackSchedule> schedule = feedbackFromKey(feedback);
    if (!schedule) {
        error = refusal(Kind::FeedbackUnknown, 0, feedback);
        return r;
    }
    d.feedback = *schedule;
    const QJsonValue criteria = o.value(kCriteriaKey);
    if (criteria.isUndefined()) {
        error = refusal(Kind::MissingKey, 0, kCriteriaKey);
        return r;
    }
    if (!criteria.isArray()) {
        error = refusal(Kind::WrongType, 0, kCriteriaKey);
        return r;
    }
    const QJsonArray list = criteria.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        DrillCriterion c;
        if (!readCriterion(list.at(i), static_cast<int>(i) + 1, c, error)) {
            return r;
        }
        d.criteria.push_back(c);
    }
    error = validateDrill(d);
    return r;
}

// Whether a name holds a character that would break a line of a listing:
// line breaks, tabs, other control characters, or half of a character
// (a lone surrogate, which no text encoding writes).
bool hasControl(const QString& text) {
    if (!QStringView(text).isValidUtf16()) {
        return true;
    }
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
               c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

}  // namespace

DrillFileError validateDrill(const Drill& d) {
    if (d.name.trimmed().isEmpty()) {
        return refusal(Kind::NameEmpty);
    }
    if (d.name.size() > kDrillNameMaxLength) {
        return refusal(Kind::NameTooLong);
    }
    if (hasControl(d.name)) {
        return refusal(Kind::NameHasControl);
    }
    if (d.description.size() > kDrillDescriptionMaxLength) {
        return refusal(Kind::DescriptionTooLong);
    }
    if (d.takeUps < 1 || d.takeUps > kDrillMaxTakeUps) {
        return refusal(Kind::TakeUpsOutOfRange, 0, {}, d.takeUps);
    }
    if (d.criteria.empty()) {
        return refusal(Kind::NoCriteria);
    }
    QSet<QString> named;
    for (size_t i = 0; i < d.criteria.size(); ++i) {
        const DrillCriterion& c = d.criteria[i];
        const int n = static_cast<int>(i) + 1;
        const QString name = c.name();
        if ((!c.isTag() && c.metric == Metric::Abweichung) ||
            (c.isTag() && c.tag == Tag::Unruhig)) {
            return refusal(Kind::NotACriterion, n, name);
        }
        switch (c.kind) {
            case DrillCriterion::Kind::Limits:
                if (!c.min && !c.max) {
                    return refusal(Kind::NoLimit, n, name);
                }
                if ((c.min && !std::isfinite(*c.min)) || (c.max && !std::isfinite(*c.max))) {
                    return refusal(Kind::NotFinite, n,
                                   c.min && !std::isfinite(*c.min) ? kMinKey : kMaxKey);
                }
                if (c.min && c.max && *c.min > *c.max) {
                    return refusal(Kind::LimitsReversed, n, name);
                }
                break;
            case DrillCriterion::Kind::PersonalBand:
                if (!std::isfinite(c.k) || c.k <= 0 || c.k > kBandMaxK) {
                    return refusal(Kind::BandFactor, n, name, c.k);
                }
                if (c.last < kBandMinTakeUps || c.last > kBandMaxTakeUps) {
                    return refusal(Kind::BandLength, n, name, c.last);
                }
                break;
            case DrillCriterion::Kind::TagNotSet:
                break;
        }
        // One criterion per figure: a second one would either repeat the
        // first or contradict it, and a miss names the figure alone.
        if (named.contains(name)) {
            return refusal(Kind::Duplicate, n, name);
        }
        named.insert(name);
    }
    return {};
}

DrillRead parseDrill(const QByteArray& bytes) {
    if (bytes.size() > kDrillFileMaxBytes) {
        return {{}, refusal(Kind::TooLarge)};
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return {{}, refusal(Kind::NotJson, 0, parseError.errorString(), parseError.offset)};
    }
    if (!doc.isObject()) {
        return {{}, refusal(Kind::WrongFormat)};
    }
    return readObject(doc.object());
}

DrillRead readDrillFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {{}, refusal(Kind::Missing)};
    }
    // A pipe or a device would be read without end.
    if (!info.isFile()) {
        return {{}, refusal(Kind::NotAFile)};
    }
    if (info.size() > kDrillFileMaxBytes) {
        return {{}, refusal(Kind::TooLarge)};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {{}, refusal(Kind::Unreadable, 0, file.errorString())};
    }
    // One byte more than allowed tells a file grown since it was looked at.
    const QByteArray bytes = file.read(kDrillFileMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        return {{}, refusal(Kind::Unreadable, 0, file.errorString())};
    }
    return parseDrill(bytes);
}

QByteArray drillJson(const Drill& d) {
    QJsonArray criteria;
    for (const DrillCriterion& c : d.criteria) {
        QJsonObject o;
        switch (c.kind) {
            case DrillCriterion::Kind::Limits:
                o.insert(kMetricKey, metricName(c.metric));
                if (c.min) {
                    o.insert(kMinKey, *c.min);
                }
                if (c.max) {
                    o.insert(kMaxKey, *c.max);
                }
                break;
            case DrillCriterion::Kind::TagNotSet:
                o.insert(kTagKey, tagName(c.tag));
                o.insert(kAllowedKey, false);
                break;
            case DrillCriterion::Kind::PersonalBand:
                o.insert(kMetricKey, metricName(c.metric));
                o.insert(kBandKey, kPersonal);
                o.insert(kKKey, c.k);
                if (c.last != kBandMinTakeUps) {
                    o.insert(kLastKey, c.last);
                }
                break;
        }
        criteria.append(o);
    }
    QJsonObject o;
    o.insert(kFormatKey, kDrillFormat);
    o.insert(kVersionKey, kDrillFileVersion);
    o.insert(kNameKey, d.name);
    o.insert(kDescriptionKey, d.description);
    o.insert(kTakeUpsKey, d.takeUps);
    o.insert(kFeedbackKey, feedbackKey(d.feedback));
    o.insert(kCriteriaKey, criteria);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

FileWriteResult writeDrillFile(const QString& path, const Drill& drill) {
    return writeFileAtomically(path, drillJson(drill));
}

}  // namespace ostrevik
