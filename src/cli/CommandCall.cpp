#include "cli/CommandCall.h"

#include "analysis/HeaderDate.h"
#include "cli/CommandLineTexts.h"
#include "common/Texts.h"

#include <QCommandLineParser>

#include <algorithm>
#include <utility>
#include <vector>

namespace ostrevik {
namespace {

// The commands stand in groups; a call names one command, and an option
// belongs to the groups whose commands take it.
enum Group : unsigned { kExports = 1, kArchive = 2, kScores = 4, kDrills = 8, kWindow = 16 };

struct CommandName {
    Command command;
    const char* name;
    Group group;
};

constexpr CommandName kCommands[] = {
    {Command::ExportCsv, "export-csv", kExports},
    {Command::Report, "report", kExports},
    {Command::ArchiveImport, "archive-import", kArchive},
    {Command::ArchiveList, "archive-list", kArchive},
    {Command::Progress, "progress", kArchive},
    {Command::SeasonReport, "season-report", kArchive},
    {Command::ArchiveGet, "archive-get", kArchive},
    {Command::ArchiveCopy, "archive-copy", kArchive},
    {Command::ImportScores, "import-scores", kScores},
    {Command::ScoreAnalysis, "score-analysis", kScores},
    {Command::DrillCheck, "drill-check", kDrills},
    {Command::DrillList, "drill-list", kDrills},
    {Command::ArchiveDrills, "archive-drills", kDrills},
    {Command::Drill, "drill", kWindow},
};

struct ValueOption {
    const char* name;
    const char* valueName;
    unsigned groups;
};

// constexpr, not merely const: the table below is a constant expression,
// which only GCC lets a const pointer take part in.
constexpr const char* kArchiveOption = "archive";
constexpr const char* kFrom = "from";
constexpr const char* kTo = "to";
constexpr const char* kOffset = "offset";

constexpr ValueOption kValueOptions[] = {
    {kArchiveOption, "ARCHIV", kArchive | kScores | kDrills},
    {kFrom, "TT.MM.JJJJ", kArchive},
    {kTo, "TT.MM.JJJJ", kArchive},
    {kOffset, "K", kScores},
};

const QString kHelp = QStringLiteral("help");
const QString kShortHelp = QStringLiteral("h");
const QString kVersion = QStringLiteral("version");
// The window's own flag, which a window's start with a drill also takes.
const QString kDebug = QStringLiteral("debug");

QString typed(const char* name) {
    return QStringLiteral("--") + QLatin1String(name);
}

const ValueOption* valueOption(const QString& name) {
    for (const ValueOption& o : kValueOptions) {
        if (name == QLatin1String(o.name)) {
            return &o;
        }
    }
    return nullptr;
}

const CommandName* commandName(const QString& name) {
    for (const CommandName& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            return &c;
        }
    }
    return nullptr;
}

QStringList groupCommands(Group group) {
    QStringList names;
    for (const CommandName& c : kCommands) {
        if (c.group == group) {
            names << typed(c.name);
        }
    }
    return names;
}

// The option's name in an argument as QCommandLineParser reads it: without
// its dashes and a value after "=".
QString optionName(const QString& argument) {
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1)
        .section(QLatin1Char('='), 0, 0);
}

// What the parser read, asked in the program's terms. QCommandLineParser
// also reads "-report", "--archive=FILE" and "--" before operands; the
// program's calls have always been "--report", "--archive FILE" (and "-h"),
// and one-dash words belong to Qt. So an option counts as given only as
// typed so, and any other spelling is refused by its argument as typed.
class Reading {
public:
    explicit Reading(const QStringList& arguments) : args_(arguments.mid(1)) {
        parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser_.addOption(QCommandLineOption(QStringList{kShortHelp, kHelp}));
        parser_.addOption(QCommandLineOption(kVersion));
        parser_.addOption(QCommandLineOption(kDebug));
        for (const CommandName& c : kCommands) {
            parser_.addOption(QCommandLineOption(QLatin1String(c.name)));
        }
        for (const ValueOption& o : kValueOptions) {
            parser_.addOption(
                QCommandLineOption(QLatin1String(o.name), QString(), QLatin1String(o.valueName)));
        }
        // A failure is looked into below, to be said in the program's words
        // with the argument as typed.
        parser_.parse(arguments);
    }

    bool helpGiven() const {
        return parser_.isSet(kHelp) &&
               (args_.contains(QStringLiteral("-h")) || args_.contains(QStringLiteral("--help")));
    }
    bool versionGiven() const {
        return parser_.isSet(kVersion) && args_.contains(QStringLiteral("--version"));
    }
    // How often the command is given as typed.
    qsizetype given(const CommandName& c) const {
        return parser_.isSet(QLatin1String(c.name)) ? args_.count(typed(c.name)) : 0;
    }

    // The first argument the command does not take: an option nobody knows,
    // one spelled otherwise than the program's, one of another group's
    // commands, or "--". Empty when there is none.
    QString refused(Group group) const {
        const QStringList unknown = parser_.unknownOptionNames();
        const QStringList found = parser_.optionNames();
        for (const QString& a : args_) {
            if (a == QLatin1String("--")) {
                return a;
            }
            if (!a.startsWith(QLatin1Char('-')) || a.size() == 1) {
                continue;
            }
            const QString name = optionName(a);
            if (unknown.contains(name)) {
                return a;
            }
            if (!found.contains(name)) {
                continue;  // an option's value that begins with a dash
            }
            if (name == kDebug && group == kWindow && a == QStringLiteral("--") + name) {
                continue;
            }
            const CommandName* command = commandName(name);
            const ValueOption* option = valueOption(name);
            const bool takes =
                (command && command->group == group) || (option && (option->groups & group) != 0);
            if (!takes || a != QStringLiteral("--") + name) {
                return a;
            }
        }
        return {};
    }

    // The first of the group's options named last without its value.
    QString valueMissing(Group group) const {
        for (const ValueOption& o : kValueOptions) {
            const QString name = QLatin1String(o.name);
            if ((o.groups & group) != 0 &&
                parser_.values(name).size() < parser_.optionNames().count(name)) {
                return typed(o.name);
            }
        }
        return {};
    }

    QStringList values(const char* name) const { return parser_.values(QLatin1String(name)); }
    QStringList operands() const { return parser_.positionalArguments(); }

private:
    QStringList args_;
    QCommandLineParser parser_;
};

// The period's options: each value a date, the last one counting.
QString readPeriod(const Reading& reading, CommandCall& call) {
    const std::pair<const char*, QDate*> period[] = {{kFrom, &call.from}, {kTo, &call.to}};
    for (const auto& [name, day] : period) {
        for (const QString& value : reading.values(name)) {
            const std::optional<QDate> date = parseHeaderDate(value);
            if (!date) {
                return CommandLineTexts::DateExpected(typed(name), value);
            }
            *day = *date;
        }
    }
    const bool periodCommand =
        call.command == Command::Progress || call.command == Command::SeasonReport;
    if ((call.from.isValid() || call.to.isValid()) && !periodCommand) {
        return CommandLineTexts::PeriodOnlyFor(
            {commandOption(Command::Progress), commandOption(Command::SeasonReport)});
    }
    if (call.from.isValid() && call.to.isValid() && call.from > call.to) {
        return CommandLineTexts::PeriodReversed();
    }
    return {};
}

QString readOffset(const Reading& reading, CommandCall& call) {
    for (const QString& value : reading.values(kOffset)) {
        bool ok = false;
        call.offset = value.toInt(&ok);
        if (!ok) {
            return CommandLineTexts::WholeNumberExpected(typed(kOffset), value);
        }
    }
    if (call.offset && call.command != Command::ImportScores) {
        return CommandLineTexts::OffsetOnlyFor(commandOption(Command::ImportScores));
    }
    return {};
}

// The command of a call and its group; Command::None when none is given.
// Besides the exports' commands another group's are refused as unknown
// options; the archive's and the rings' together are a call of their own.
QString chooseCommand(const Reading& reading, CommandCall& call, Group& group) {
    std::vector<const CommandName*> named;
    for (const CommandName& c : kCommands) {
        named.insert(named.end(), static_cast<size_t>(reading.given(c)), &c);
    }
    const auto of = [&named](Group g) {
        return std::count_if(named.begin(), named.end(),
                             [g](const CommandName* c) { return c->group == g; });
    };
    for (const Group g : {kExports, kArchive, kScores, kDrills, kWindow}) {
        if (of(g) == 0) {
            continue;
        }
        group = g;
        call.command = (*std::find_if(named.begin(), named.end(), [g](const CommandName* c) {
                           return c->group == g;
                       }))->command;
        if (g == kArchive && of(kScores) > 0) {
            return CommandLineTexts::ArchiveAndScoresApart();
        }
        return of(g) > 1 ? CommandLineTexts::OneCommandOnly(groupCommands(g)) : QString();
    }
    return {};
}

QString readCall(const Reading& reading, CommandCall& call) {
    Group group = kExports;
    if (QString wrong = chooseCommand(reading, call, group);
        !wrong.isEmpty() || call.command == Command::None) {
        return wrong;
    }
    if (const QString argument = reading.refused(group); !argument.isEmpty()) {
        return Texts::UnknownOption(argument);
    }
    if (const QString option = reading.valueMissing(group); !option.isEmpty()) {
        return CommandLineTexts::ValueMissing(option);
    }
    if (group == kArchive) {
        if (QString wrong = readPeriod(reading, call); !wrong.isEmpty()) {
            return wrong;
        }
    }
    if (group == kScores) {
        if (QString wrong = readOffset(reading, call); !wrong.isEmpty()) {
            return wrong;
        }
    }
    if (const QStringList archives = reading.values(kArchiveOption); !archives.isEmpty()) {
        call.archive = archives.last();
    }
    call.operands = reading.operands();
    return {};
}

}  // namespace

CommandCall parseCommandLine(const QStringList& arguments) {
    const Reading reading(arguments);
    CommandCall call;
    // Help and version come before anything else the call may hold.
    if (reading.helpGiven()) {
        call.command = Command::Help;
    } else if (reading.versionGiven()) {
        call.command = Command::Version;
    } else {
        call.wrong = readCall(reading, call);
    }
    return call;
}

QString commandOption(Command command) {
    for (const CommandName& c : kCommands) {
        if (c.command == command) {
            return typed(c.name);
        }
    }
    switch (command) {
        case Command::Help:
            return QStringLiteral("--help");
        case Command::Version:
            return QStringLiteral("--version");
        default:
            return {};
    }
}

}  // namespace ostrevik
