#pragma once

#include <memory>
#include <string>
#include <vector>

// Where the panel's commands come from: a fixed list, a script file, a pipe, or a person
// at a terminal. At a terminal the run loop keeps running while the next line is awaited,
// so replies show as they arrive; elsewhere it runs only inside `wait` and `sleep`, so a
// session is repeatable.
class CommandInput {
public:
    virtual ~CommandInput() = default;
    // The next line, without its end; false at the end of input.
    virtual bool next(std::string* line) = 0;
    virtual bool isTerminal() const { return false; }

    static std::unique_ptr<CommandInput> fromLines(std::vector<std::string> lines);
    static std::unique_ptr<CommandInput> fromFile(const std::string& path, std::string* error);
    // A terminal when stdin is one, else a pipe.
    static std::unique_ptr<CommandInput> fromStdin();
};
