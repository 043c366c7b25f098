// marrowfin widget: the notification panel, hosting the widget installed in the device root.
#include "CommandInput.h"
#include "ConnectToOption.h"
#include "DeviceRootOption.h"
#include "WidgetLoader.h"
#include "WidgetSession.h"

#include <BulletinBoard/BBWeeAppController.h>
#include <Foundation/DeviceRoot.h>
#include <Foundation/NSURLConnection+Host.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "marrowfin widget: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"The notification panel: hosts the Marrowfin widget installed in the device root "
                 "and drives it with commands, one a line on stdin (\"#\" starts a comment):\n" +
                     WidgetSession::commandHelp() +
                     "`lines` prints each text on one line, with a backslash as \\\\, a newline "
                     "as \\n, a tab as \\t, a carriage return as \\r and any other control "
                     "character as \\xHH (a NUL as \\x00).",
                 "marrowfin widget"};
    std::string deviceRoot;
    std::vector<std::string> connectTo;
    bool once = false;
    std::string script;
    addDeviceRootOption(app, deviceRoot);
    addConnectToOption(app, connectTo);
    auto* onceOption = app.add_flag("--once", once, "Run show, wait and lines, then exit");
    app.add_option("--script", script, "Read the commands from FILE")
        ->type_name("FILE")
        ->excludes(onceOption);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "marrowfin widget: %s\n", e.what());
        return 2;
    }

    DeviceRoot::set(deviceRoot);
    URLLoading::setConnectTo(connectTo);

    std::string error;
    Ref<BBWeeAppController> controller = loadInstalledWidget(&error);
    if (!controller)
        return fail(error);

    std::unique_ptr<CommandInput> input;
    if (once)
        input = CommandInput::fromLines({"show", "wait", "lines"});
    else if (!script.empty())
        input = CommandInput::fromFile(script, &error);
    else
        input = CommandInput::fromStdin();
    if (!input)
        return fail(error);

    WidgetSession session(std::move(controller), std::cout);
    std::string line;
    while (input->next(&line)) {
        WidgetSession::Outcome outcome = session.run(line, &error);
        if (outcome == WidgetSession::Outcome::Quit)
            break;
        if (outcome == WidgetSession::Outcome::Error) {
            std::fprintf(stderr, "marrowfin widget: %s\n", error.c_str());
            // At a terminal the session goes on; from a script or a pipe it ends.
            if (!input->isTerminal())
                return 2;
        }
    }
    return 0;
}
