#pragma once
// The window's commands routed to their handlers: each controller puts in the commands it
// carries out, and the window runs whichever one arrives.
#include "ui/commands.h"

#include <functional>
#include <initializer_list>
#include <unordered_map>
#include <utility>

namespace velomira {

// One entry of a menu as it should look when the menu opens.
struct MenuEntryState {
    Command command;
    bool enabled = true;
    bool checked = false;
};

class CommandTable {
  public:
    using Handler = std::function<void()>;

    void on(Command command, Handler handler) { handlers_[command] = std::move(handler); }
    void on(std::initializer_list<Command> commands, const Handler& handler) {
        for (Command command : commands)
            handlers_[command] = handler;
    }
    // Runs the command's handler; false for a command nobody handles.
    bool run(Command command) const {
        const auto found = handlers_.find(command);
        if (found == handlers_.end())
            return false;
        found->second();
        return true;
    }

  private:
    std::unordered_map<Command, Handler> handlers_;
};

} // namespace velomira
