#include "cli/CommandLine.h"

#include "archive/ArchiveDatabase.h"
#include "cli/ArchiveCommandLine.h"
#include "cli/CommandCall.h"
#include "cli/CommandLineTexts.h"
#include "cli/CommandOutput.h"
#include "cli/DrillCommandLine.h"
#include "cli/ExportCommandLine.h"
#include "cli/ScoreCommandLine.h"
#include "common/Texts.h"
#include "drills/DrillLibrary.h"
#include "settings/Paths.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace ostrevik {
namespace {

QtMessageHandler g_qtHandler = nullptr;

void withoutRuntimeDirectoryNotice(QtMsgType type, const QMessageLogContext& context,
                                   const QString& text) {
    if (!IsRuntimeDirectoryNotice(text)) {
        g_qtHandler(type, context, text);
    }
}

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    return args;
}

int run(const CommandCall& call, const ReportFileWriter& writeReport) {
    if (!call.wrong.isEmpty()) {
        return WrongCall(call.wrong);
    }
    switch (call.command) {
        case Command::Help:
            WriteOut(CommandLineTexts::Help(configFilePath(), TrainingArchive::pathOrDefault({}),
                                            DrillLibrary::defaultFolder()));
            return 0;
        case Command::Version:
            WriteOut(QStringLiteral("ostrevik " OSTREVIK_VERSION "\n"));
            return 0;
        case Command::ExportCsv:
            return ExportCsvCommand(call);
        case Command::Report:
            return ReportCommand(call, writeReport);
        case Command::ArchiveImport:
            return ArchiveImportCommand(call);
        case Command::ArchiveList:
            return ArchiveListCommand(call);
        case Command::Progress:
            return ProgressCommand(call);
        case Command::SeasonReport:
            return SeasonReportCommand(call, writeReport);
        case Command::ArchiveGet:
            return ArchiveGetCommand(call);
        case Command::ArchiveCopy:
            return ArchiveCopyCommand(call);
        case Command::ImportScores:
            return ImportScoresCommand(call);
        case Command::ScoreAnalysis:
            return ScoreAnalysisCommand(call);
        case Command::DrillCheck:
            return DrillCheckCommand(call);
        case Command::DrillList:
            return DrillListCommand(call);
        case Command::ArchiveDrills:
            return ArchiveDrillsCommand(call);
        case Command::Drill:
        case Command::None:
            break;
    }
    return 2;
}

}  // namespace

std::optional<DrillStart> readDrillStart(const QStringList& arguments) {
    const CommandCall call = parseCommandLine(arguments);
    if (call.command != Command::Drill) {
        return std::nullopt;
    }
    DrillStart start;
    if (!call.wrong.isEmpty()) {
        start.exitCode = WrongCall(call.wrong);
    } else if (call.operands.isEmpty() || call.operands.size() > 2) {
        start.exitCode = WrongCall(CommandLineTexts::OperandsExpected(call.command));
    } else {
        start.drill = call.operands[0];
        if (call.operands.size() > 1) {
            start.file = QFileInfo(call.operands[1]).absoluteFilePath();
        }
    }
    return start;
}

bool IsRuntimeDirectoryNotice(const QString& text) {
    return text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

std::optional<int> RunCommandLine(int argc, char* argv[], const ReportFileWriter& writeReport) {
    const CommandCall typed = parseCommandLine(argumentsOf(argc, argv));
    // "--drill" starts the window, which reads the call again without Qt's
    // options (readDrillStart).
    if (typed.command == Command::None || typed.command == Command::Drill) {
        return std::nullopt;
    }

    // No window ever: fonts and the PDF writer work on the offscreen
    // platform, with or without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(withoutRuntimeDirectoryNotice);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(Texts::kOstrevik);
    // Qt has taken its own options (-platform, -style, …) out of the
    // arguments. Should it have taken the command's name with them, as the
    // value of one of its options, the call is said wrong as typed.
    const CommandCall call = parseCommandLine(QCoreApplication::arguments());
    return run(call.command == Command::None ? typed : call, writeReport);
}

}  // namespace ostrevik
