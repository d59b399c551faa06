#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace ostrel;
using Action = CommandLineRequest::Action;

TEST(CommandLineTest, ReadsOwnOptionsPassesQtOptionsAndRefusesTheRest) {
    const struct {
        QStringList arguments;
        Action action;
        bool headless;
    } cases[] = {
        {{}, Action::Run, false},
        {{"--headless"}, Action::Run, true},
        {{"-h", "--version"}, Action::ShowHelp, false},
        {{"--headless", "--version", "--help"}, Action::ShowVersion, true},
        {{"-session", "1234_5", "--headless", "--platform=xcb", "-reverse"}, Action::Run, true},
        {{"--help", "--bogus"}, Action::Refuse, false},
        {{"-headless"}, Action::Refuse, false},
        {{"notes.txt"}, Action::Refuse, false},
        {{"-"}, Action::Refuse, false},
        {{"--headless", "-style"}, Action::Refuse, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CommandLineRequest request = parseCommandLine(c.arguments);
        EXPECT_EQ(request.action, c.action);
        EXPECT_EQ(request.headless, c.headless);
        EXPECT_EQ(request.problem.isEmpty(), c.action != Action::Refuse);
    }
}
