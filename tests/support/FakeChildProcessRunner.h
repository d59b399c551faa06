#pragma once

#include "platform/ChildProcessRunner.h"

#include <functional>
#include <vector>

namespace ostrel {

// Records every run and answers with what the test scripted (by default: exit status 0,
// no output).
class FakeChildProcessRunner final : public ChildProcessRunner {
public:
    struct Call {
        QString program;
        QStringList arguments;
        StandardError standardError;
    };

    ChildProcessResult run(const QString& program, const QStringList& arguments,
                           StandardError standardError) override {
        calls.push_back({program, arguments, standardError});
        if (answer) {
            return answer(calls.back());
        }
        ChildProcessResult result;
        result.outcome = ChildProcessResult::Outcome::Exited;
        result.exitStatus = 0;
        return result;
    }

    std::function<ChildProcessResult(const Call&)> answer;
    std::vector<Call> calls;
};

} // namespace ostrel
