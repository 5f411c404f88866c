#pragma once

#include <QHash>

#include <functional>

class CCmdUI;

// Something on the command route: a page, a view, a document, a frame or the application. It
// keeps a table from command ids to a handler and an optional update handler; a command with a
// handler but no update handler is enabled.
class CCmdTarget
{
public:
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(CCmdUI *)>;

    virtual ~CCmdTarget() = default;

    // Runs command `id` when this target handles it; true when it did.
    virtual bool OnCommand(int id);
    // Answers the state of `ui`'s command when this target handles it; true when it did.
    virtual bool OnUpdateCommand(CCmdUI *ui);
    bool HandlesCommand(int id) const { return m_commands.contains(id); }

protected:
    void AddCommand(int id, Handler handler, UpdateHandler update = {});
    // The same handlers for `first` to `last`, told which id they run for.
    void AddCommandRange(int first, int last, std::function<void(int)> handler,
                         std::function<void(int, CCmdUI *)> update = {});
    void RemoveCommand(int id) { m_commands.remove(id); }

private:
    struct Entry
    {
        Handler handler;
        UpdateHandler update;
    };
    QHash<int, Entry> m_commands;
};
