#include "CommandInput.h"

#include <Foundation/NSRunLoop+Host.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <unistd.h>

namespace {

class LineList : public CommandInput {
public:
    explicit LineList(std::vector<std::string> lines) : m_lines(std::move(lines)) {}
    bool next(std::string* line) override {
        if (m_next >= m_lines.size())
            return false;
        *line = m_lines[m_next++];
        return true;
    }

private:
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};

class StreamLines : public CommandInput {
public:
    explicit StreamLines(std::istream& in) : m_in(in) {}
    bool next(std::string* line) override { return static_cast<bool>(std::getline(m_in, *line)); }

private:
    std::istream& m_in;
};

class FileLines : public StreamLines {
public:
    explicit FileLines(std::unique_ptr<std::ifstream> file)
        : StreamLines(*file), m_file(std::move(file)) {}

private:
    std::unique_ptr<std::ifstream> m_file;
};

// A person at a terminal: a prompt, and the run loop running until a whole line is typed.
class TerminalLines : public CommandInput {
public:
    bool isTerminal() const override { return true; }

    bool next(std::string* line) override {
        std::fputs("marrowfin> ", stdout);
        std::fflush(stdout);
        while (true) {
            if (auto end = m_buffer.find('\n'); end != std::string::npos) {
                *line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return true;
            }
            if (m_ended) {
                if (m_buffer.empty())
                    return false;
                *line = std::move(m_buffer);
                m_buffer.clear();
                return true;
            }
            bool readable = false;
            NSRunLoop* loop = NSRunLoop::mainRunLoop();
            int watcher = loop->addReadWatcher(STDIN_FILENO, [&] { readable = true; });
            loop->runUntil([&] { return readable; }, std::numeric_limits<double>::infinity());
            loop->removeReadWatcher(watcher);
            char chunk[4096];
            ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n > 0)
                m_buffer.append(chunk, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                m_ended = true;
        }
    }

private:
    std::string m_buffer;
    bool m_ended = false;
};

} // namespace

std::unique_ptr<CommandInput> CommandInput::fromLines(std::vector<std::string> lines) {
    return std::make_unique<LineList>(std::move(lines));
}

std::unique_ptr<CommandInput> CommandInput::fromFile(const std::string& path, std::string* error) {
    auto file = std::make_unique<std::ifstream>(path);
    if (!*file) {
        *error = "cannot read script " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FileLines>(std::move(file));
}

std::unique_ptr<CommandInput> CommandInput::fromStdin() {
    if (::isatty(STDIN_FILENO))
        return std::make_unique<TerminalLines>();
    return std::make_unique<StreamLines>(std::cin);
}
