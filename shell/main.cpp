// Start-up, the command loop and shutdown.
#include "shell/main.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <ctime>

#include "book/book.h"
#include "eval/valorideipezzi.h"
#include "platform/msgbox.h"
#include "platform/pipe.h"
#include "position/setup.h"
#include "search/analizza.h"
#include "search/minimax.h"
#include "shell/comm.h"
#include "shell/lines.h"
#include "shell/common.h"
#include "shell/protocol.h"
#include "shell/uci.h"
#include "shell/usage.h"

Bool16 ProtocolMode = False;   // decided by the command line once, at start-up
std::string LogFilePath;       // Velmorasca.log where it lives, for the window's log button
int (*RunWindow)() = nullptr;  // set by the program's entry when the window is built in

namespace {

const char* const AppTitle = "Velmorasca";

// Set by SIGTERM: interfaces that end a game by a signal rather than "quit"
// still get an orderly shutdown, at the next pass of the loop.
volatile std::sig_atomic_t TerminationRequested = 0;
void OnTerminate(int) { TerminationRequested = 1; }

// The protocol's interpreter and its look at the input during a think.
void (*HandleInput)(const std::string& text) = ParseCommand;
void (*PollDuringThink)() = PollInputDuringThink;

// The search's pump in protocol mode: input, and a pending termination,
// which ends the engine at once, think or not.
void ProtocolPump() {
    if (TerminationRequested) Esci();
    PollDuringThink();
}

bool IsProtocolSwitch(const std::string& word) {
    return word == "xboard" || word == "/xboard" || word == "-xboard";
}

bool IsUciSwitch(const std::string& word) { return word == "uci" || word == "/uci" || word == "-uci"; }

// The command line's words after the program's name, joined by single blanks.
std::string CommandLineText(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

}  // namespace

StartMode StartModeOf(int argc, char** argv) {
    if (argc <= 1) {
        // No argument: the name the program was invoked under decides
        // (a link named velmorasca-uci starts in UCI mode).
        std::string name = argc == 1 && argv[0] != nullptr ? AsciiLower(argv[0]) : std::string();
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos) name.erase(0, slash + 1);
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.erase(dot);
        const std::string suffix = "-uci";
        const bool uciName = name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
        return uciName ? StartMode::Uci : StartMode::Window;
    }
    // The words of the command line, lower-cased and split at single blanks:
    // --version or --help alone, one or more xboard switches, or exactly one
    // UCI switch.
    const std::string lower = AsciiLower(CommandLineText(argc, argv));
    if (lower == "--version") return StartMode::Version;
    if (lower == "--help") return StartMode::Help;
    if (IsUciSwitch(lower)) return StartMode::Uci;
    size_t start = 0;
    for (;;) {
        const size_t blank = lower.find(' ', start);
        const std::string word = lower.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
        if (!IsProtocolSwitch(word)) return StartMode::Unknown;
        if (blank == std::string::npos) return StartMode::Xboard;
        start = blank + 1;
    }
}

int Main(int argc, char** argv) {
    // The command line, before any setting is touched: --version and --help
    // answer at once; an unknown word ends the program with nothing logged
    // and the settings file left alone.
    const StartMode mode = StartModeOf(argc, argv);
    if (mode == StartMode::Version) return PrintVersion();
    if (mode == StartMode::Help) return PrintHelp();
    if (mode == StartMode::Unknown) {
        ShowMessage(AppTitle, "Comando sconosciuto: " + CommandLineText(argc, argv));
        return 1;
    }
    std::srand(static_cast<unsigned>(std::time(nullptr)));  // for the book's random choice
    LogFilePath = LogFilePathName();

    ProtocolMode = mode == StartMode::Window ? False : True;
    if (!ProtocolMode && RunWindow == nullptr) {
        ShowMessage(AppTitle, "The engine window is not part of this build; start the engine with: velmorasca xboard");
        return 1;
    }

#if defined(_WIN32)
    // Windows has no SIGPIPE (a write to a closed pipe just fails) and no
    // SIGTERM from outside; a Ctrl+C in the console is ignored as on Linux.
    if (ProtocolMode) std::signal(SIGINT, SIG_IGN);
    (void)OnTerminate;
#else
    // A vanished interface must not kill us on the next write, and xboard
    // interrupts its engine before every move.
    std::signal(SIGPIPE, SIG_IGN);
    if (ProtocolMode) {
        std::signal(SIGINT, SIG_IGN);
        struct sigaction term {};
        term.sa_handler = OnTerminate;
        sigemptyset(&term.sa_mask);
        term.sa_flags = 0;  // no restart: the loop's wait for input returns at once
        sigaction(SIGTERM, &term, nullptr);
    }
#endif

    ReadSetting("Log", "Enabled", "0");  // kept for the user; nothing depends on it
    LogLevel = SettingToInt(ReadSetting("Log", "Level", "0"), 0);
    BookEnabled = ReadSetting("Book", "Enabled", "1") == "1" ? True : False;
    Log("Main", "Il motore sta partendo...");
    InitPositionalTables();
    if (BookEnabled) LoadBook();

    if (ProtocolMode) {
        // An interface may ask for a move before it sets up a game.
        SetStartupPosition();
        EventPump = ProtocolPump;
        if (mode == StartMode::Uci) {
            StartUci();
            HandleInput = ParseUciCommand;
            PollDuringThink = UciPollDuringThink;
        } else {
            Reporter = XboardReporter();
            Reporter.LastLook = ProtocolPump;
        }
        if (isatty(STDIN_FILENO))
            PipeWriteAll(STDERR_FILENO, mode == StartMode::Uci
                                            ? "Velmorasca (UCI protocol): type \"uci\", \"position startpos moves e2e4\", "
                                              "\"go depth 5\", \"quit\" to leave.\n"
                                            : "Velmorasca (xboard protocol): type \"new\" to start a game, \"usermove e2e4\" to move, "
                                              "\"go\" to let the engine move, \"quit\" to leave.\n");
        CommandLoop();
    }
    return RunWindow();
}

void CommandLoop() {
    for (;;) {
        if (InputWaiting(100)) {
            std::string text = ReadInput();
            if (!text.empty()) HandleInput(text);
        }
        // The interface closed the pipe (every complete line has been
        // handled) or asked us to end.
        if (InputEnded || TerminationRequested) Esci();
    }
}

void Esci() {
    Log("Esci", "Spengo il motore...");
    CloseStandardHandles();
    Log("Esci", "Motore spento");
    std::exit(0);
}
