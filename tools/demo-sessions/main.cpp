// Writes measurement files of a few weekly training sessions of one shooter
// who jerks the trigger and lets go after the shot less often from week to
// week: sample data for the comparison of sessions, the README's pictures
// and trying the program without a device. With --season, a season of
// several shooters (September to March, one folder each) for the training
// archive and its benchmarks. With --scores, each weekly session gets the
// shot list an electronic target would have written for it (wocheN-ringe.csv),
// its rings lower where the trigger was jerked or let go.
//
//   demo-sessions [--scores] DIR [WEEKS] [TAKEUPS]
//                                         (defaults: 4 weeks of 30 take-ups)
//   demo-sessions --season DIR SESSIONS [TAKEUPS] [SHOOTERS]
//                                         (defaults: 30 take-ups, 1 shooter)

#include "TakeUpGenerator.h"
#include "measurement/MeasurementFile.h"

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>

using namespace ostrevik;

namespace {

uint8_t clampSample(int v) {
    v = std::clamp(v, 0, 254);
    return static_cast<uint8_t>(v == kRecordEnd ? 4 : v);
}

// What went wrong in a take-up, for its ring.
struct Faults {
    bool jerk = false;
    bool letGo = false;
};

// A take-up of week `week` (0 = the first): a jerk in the last 0.2 s before
// the shot and a finger that leaves the trigger right after it get rarer.
qtxsim::Record takeUp(qtxsim::TakeUpGenerator& generator, std::mt19937& random, int week, int weeks,
                      Faults* faults = nullptr) {
    qtxsim::Record r;
    do {
        r = generator.Next(static_cast<uint8_t>(generator.Uniform(150, 170)));
    } while (std::find(r.samples.begin(), r.samples.end(), kShotMark) == r.samples.end());
    const double progress = weeks > 1 ? static_cast<double>(week) / (weeks - 1) : 1.0;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    const auto s = static_cast<int>(std::find(r.samples.begin(), r.samples.end(), kShotMark) -
                                    r.samples.begin());
    Faults f;
    if (chance(random) < 0.5 - 0.4 * progress && s >= 12) {
        f.jerk = true;
        const int extra = generator.Uniform(45, 80);
        for (int k = 1; k <= 6; ++k) {
            uint8_t& v = r.samples[static_cast<size_t>(s - k)];
            v = clampSample(v + extra * (7 - k) / 6);
        }
    }
    if (chance(random) < 0.4 - 0.3 * progress) {
        f.letGo = true;
        const int before = r.samples[static_cast<size_t>(s - 1)];
        for (size_t i = static_cast<size_t>(s) + 1; i < r.samples.size(); ++i) {
            const double x = std::min(1.0, static_cast<double>(i - static_cast<size_t>(s)) / 6.0);
            r.samples[i] = clampSample(static_cast<int>(before * (1.0 - 0.5 * x)));
        }
    }
    if (faults) {
        *faults = f;
    }
    return r;
}

// The shot list of a session as club software exports it: the club and the
// shooter above the header, two sighters first, a total at the end; each
// shot's decimal ring lower for a jerk or a finger let go, its hit where
// that ring lies on an air pistol target (8 mm per ring).
QByteArray scoreList(const std::vector<Faults>& faults, std::mt19937& random, const QString& name) {
    std::normal_distribution<double> spread(10.1, 0.35);
    std::uniform_real_distribution<double> angle(0.0, 2.0 * M_PI);
    auto line = [](const QString& text) { return text.toUtf8() + "\r\n"; };
    auto shot = [&](const QString& number, double ring, const QTime& time) {
        const double distance = std::max(0.0, (10.9 - ring) * 8.0 + 0.4);
        const double a = angle(random);
        return line(QStringLiteral("%1;%2;%3;%4;%5")
                        .arg(number, QString::number(ring, 'f', 1).replace('.', ','),
                             QString::number(distance * std::cos(a), 'f', 1).replace('.', ','),
                             QString::number(distance * std::sin(a), 'f', 1).replace('.', ','),
                             time.toString(QStringLiteral("HH:mm:ss"))));
    };
    QByteArray out = line(QStringLiteral("Verein;SV Beispiel"));
    out += line(QStringLiteral("Schütze;") + name);
    out += line(QString());
    out += line(QStringLiteral("Nr;Ring;X [mm];Y [mm];Zeit"));
    QTime time(18, 30, 0);
    for (int p = 1; p <= 2; ++p) {
        out +=
            shot(QStringLiteral("P%1").arg(p), std::clamp(spread(random) - 0.3, 7.0, 10.9), time);
        time = time.addSecs(50);
    }
    double total = 0.0;
    for (size_t i = 0; i < faults.size(); ++i) {
        double ring = spread(random) - (faults[i].jerk ? 0.9 : 0.0) - (faults[i].letGo ? 0.4 : 0.0);
        ring = std::round(std::clamp(ring, 6.0, 10.9) * 10.0) / 10.0;
        total += ring;
        out += shot(QString::number(i + 1), ring, time);
        time = time.addSecs(45);
    }
    out +=
        line(QStringLiteral("Summe;%1;;;").arg(QString::number(total, 'f', 1).replace('.', ',')));
    return out;
}

}  // namespace

// The take-ups of one session as measurement file data; the faults made,
// one per take-up, when asked for.
QByteArray recordsOf(qtxsim::TakeUpGenerator& generator, std::mt19937& random, int takeUps,
                     int step, int steps, std::vector<Faults>* faults = nullptr) {
    QByteArray data;
    if (faults) {
        faults->assign(static_cast<size_t>(takeUps), Faults{});
    }
    for (int i = 0; i < takeUps; ++i) {
        const qtxsim::Record r = takeUp(generator, random, step, steps,
                                        faults ? &(*faults)[static_cast<size_t>(i)] : nullptr);
        data.append(static_cast<char>(r.threshold));
        data.append(reinterpret_cast<const char*>(r.samples.data()),
                    static_cast<qsizetype>(r.samples.size()));
        data.append(static_cast<char>(kRecordEnd));
    }
    return data;
}

const char* const kShooters[] = {"Anna Beispiel", "Ben Muster", "Clara Probe", "David Test"};

// A season from September to March: each shooter's sessions spread evenly
// over it, his trigger control improving from the first to the last.
int season(const QDir& dir, int sessions, int takeUps, int shooters) {
    const QDate first(2026, 9, 1);
    const int days = static_cast<int>(first.daysTo(QDate(2027, 3, 31)));
    for (int s = 0; s < shooters; ++s) {
        const QString name = QString::fromUtf8(kShooters[s]);
        const QString folder = name.section(QLatin1Char(' '), 0, 0).toLower();
        if (!dir.mkpath(folder)) {
            std::fprintf(stderr, "demo-sessions: cannot create %s\n", qPrintable(folder));
            return 1;
        }
        for (int k = 0; k < sessions; ++k) {
            qtxsim::TakeUpGenerator generator(static_cast<uint32_t>(1000 * s + k));
            std::mt19937 random(static_cast<uint32_t>(5000 * s + k));
            const QByteArray data = recordsOf(generator, random, takeUps, k, sessions);
            const QDate day =
                first.addDays(static_cast<qint64>(k) * days / std::max(1, sessions - 1));
            Dateiheader_t kopf;
            KopfInitialisieren(kopf);
            kopf.setName(name);
            kopf.setDatum(day.toString(QStringLiteral("dd.MM.yyyy")));
            kopf.setText(k % 3 == 2 ? QStringLiteral("Luftpistole, scharf")
                                    : QStringLiteral("Luftpistole, trocken"));
            const QString path =
                dir.filePath(folder + QStringLiteral("/%1-%2.pvo")
                                          .arg(day.toString(QStringLiteral("yyyy-MM-dd")))
                                          .arg(k + 1, 3, 10, QLatin1Char('0')));
            if (!KopfUndDatenSchreiben(kopf, path, data).ok) {
                std::fprintf(stderr, "demo-sessions: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}

int main(int argc, char* argv[]) {
    const bool scores = argc >= 2 && std::string_view(argv[1]) == "--scores";
    if (scores) {
        --argc;
        ++argv;
    }
    if (argc >= 4 && std::string_view(argv[1]) == "--season") {
        const QDir dir(QString::fromLocal8Bit(argv[2]));
        if (!dir.mkpath(QStringLiteral("."))) {
            std::fprintf(stderr, "demo-sessions: cannot create %s\n", argv[2]);
            return 1;
        }
        return season(dir, std::clamp(std::atoi(argv[3]), 1, 5000),
                      argc > 4 ? std::clamp(std::atoi(argv[4]), 1, 10000) : 30,
                      argc > 5 ? std::clamp(std::atoi(argv[5]), 1, 4) : 1);
    }
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: demo-sessions [--scores] DIR [WEEKS] [TAKEUPS]\n"
                     "       demo-sessions --season DIR SESSIONS [TAKEUPS] [SHOOTERS]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const int weeks = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 52) : 4;
    const int takeUps = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 10000) : 30;
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "demo-sessions: cannot create %s\n", argv[1]);
        return 1;
    }
    const QDate first(2026, 11, 9);
    for (int w = 0; w < weeks; ++w) {
        qtxsim::TakeUpGenerator generator(static_cast<uint32_t>(100 + w));
        std::mt19937 random(static_cast<uint32_t>(200 + w));
        std::vector<Faults> faults;
        const QByteArray data = recordsOf(generator, random, takeUps, w, weeks, &faults);
        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Anna Beispiel"));
        kopf.setDatum(first.addDays(7 * w).toString(QStringLiteral("dd.MM.yy")));
        kopf.setText(QStringLiteral("Luftpistole, Trockentraining, Woche %1").arg(w + 1));
        const QString path = dir.filePath(QStringLiteral("woche%1.pvo").arg(w + 1));
        if (!KopfUndDatenSchreiben(kopf, path, data).ok) {
            std::fprintf(stderr, "demo-sessions: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
        if (scores) {
            std::mt19937 ringRandom(static_cast<uint32_t>(300 + w));
            const QString list = dir.filePath(QStringLiteral("woche%1-ringe.csv").arg(w + 1));
            QFile f(list);
            if (!f.open(QIODevice::WriteOnly) ||
                f.write(scoreList(faults, ringRandom, kopf.name())) < 0 || !f.flush()) {
                std::fprintf(stderr, "demo-sessions: cannot write %s\n", qPrintable(list));
                return 1;
            }
            std::printf("%s\n", qPrintable(list));
        }
    }
    return 0;
}
