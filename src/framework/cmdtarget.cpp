#include "cmdtarget.h"

#include "cmdui.h"

bool CCmdTarget::OnCommand(int id)
{
    const auto it = m_commands.constFind(id);
    if (it == m_commands.constEnd())
        return false;
    // A copy: the handler may remove or replace its own entry while it runs.
    const Handler handler = it->handler;
    if (handler)
        handler();
    return true;
}

bool CCmdTarget::OnUpdateCommand(CCmdUI *ui)
{
    const auto it = m_commands.constFind(ui->Id());
    if (it == m_commands.constEnd())
        return false;
    if (it->update)
        it->update(ui);
    return true;
}

void CCmdTarget::AddCommand(int id, Handler handler, UpdateHandler update)
{
    m_commands.insert(id, Entry{std::move(handler), std::move(update)});
}

void CCmdTarget::AddCommandRange(int first, int last, std::function<void(int)> handler,
                                 std::function<void(int, CCmdUI *)> update)
{
    for (int id = first; id <= last; ++id) {
        UpdateHandler idUpdate;
        if (update)
            idUpdate = [update, id](CCmdUI *ui) { update(id, ui); };
        AddCommand(id, [handler, id] { handler(id); }, idUpdate);
    }
}
