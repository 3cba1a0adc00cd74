#include "doubles/FakeWindowServices.h"

#include <algorithm>
#include <stdexcept>

namespace corvina {

using Lock = std::lock_guard<std::recursive_mutex>;

WindowHandle FakeWindowServices::addWindow(const Window& window)
{
    Lock lock(m_mutex);
    const WindowHandle handle = m_next;
    m_next += 0x10;
    m_windows[handle].script = window;
    m_order.push_back(handle);
    return handle;
}

FakeWindowServices::Entry* FakeWindowServices::entry(WindowHandle window)
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

const FakeWindowServices::Entry* FakeWindowServices::entry(WindowHandle window) const
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

void FakeWindowServices::setVisibleAt(WindowHandle window, std::int64_t at)
{
    Lock lock(m_mutex);
    if (Entry* e = entry(window))
        e->script.visibleAt = at;
}

void FakeWindowServices::setEnabledAt(WindowHandle window, std::int64_t at)
{
    Lock lock(m_mutex);
    if (Entry* e = entry(window))
        e->script.enabledAt = at;
}

void FakeWindowServices::setDisappearAt(WindowHandle window, std::int64_t at)
{
    Lock lock(m_mutex);
    if (Entry* e = entry(window))
        e->script.disappearAt = at;
}

void FakeWindowServices::onPress(WindowHandle window, std::function<void()> action)
{
    Lock lock(m_mutex);
    if (Entry* e = entry(window))
        e->pressAction = std::move(action);
}

std::int64_t FakeWindowServices::now() const
{
    Lock lock(m_mutex);
    return m_now;
}

void FakeWindowServices::advance(std::int64_t milliseconds)
{
    Lock lock(m_mutex);
    m_now += milliseconds;
}

std::vector<int> FakeWindowServices::sleeps() const
{
    Lock lock(m_mutex);
    return m_sleeps;
}

int FakeWindowServices::sleepCount(int milliseconds) const
{
    Lock lock(m_mutex);
    return static_cast<int>(std::count(m_sleeps.begin(), m_sleeps.end(), milliseconds));
}

std::vector<FakeWindowServices::Message> FakeWindowServices::messages() const
{
    Lock lock(m_mutex);
    return m_messages;
}

int FakeWindowServices::pressCount(WindowHandle window) const
{
    Lock lock(m_mutex);
    const Entry* e = entry(window);
    return e ? e->presses : 0;
}

// A child lives only as long as its parent.
bool FakeWindowServices::exists(WindowHandle window) const
{
    const Entry* e = entry(window);
    if (!e || m_now < e->script.appearAt || m_now >= e->script.disappearAt)
        return false;
    return e->script.parent == NoWindow || exists(e->script.parent);
}

bool FakeWindowServices::visible(WindowHandle window) const
{
    const Entry* e = entry(window);
    if (!exists(window) || m_now < e->script.visibleAt)
        return false;
    return e->script.parent == NoWindow || visible(e->script.parent);
}

WindowHandle FakeWindowServices::findTopLevel(const std::optional<std::string>& windowClass, const std::string& title)
{
    Lock lock(m_mutex);
    for (WindowHandle handle : m_order) {
        const Window& w = m_windows.at(handle).script;
        if (w.parent == NoWindow && exists(handle) && w.title == title &&
            (!windowClass || w.windowClass == *windowClass))
            return handle;
    }
    return NoWindow;
}

WindowHandle FakeWindowServices::findChild(WindowHandle parent, const std::string& windowClass,
                                           const std::optional<std::string>& caption)
{
    Lock lock(m_mutex);
    if (parent == NoWindow || !exists(parent))
        return NoWindow;
    for (WindowHandle handle : m_order) {
        const Window& w = m_windows.at(handle).script;
        if (w.parent == parent && exists(handle) && w.windowClass == windowClass && (!caption || w.title == *caption))
            return handle;
    }
    return NoWindow;
}

bool FakeWindowServices::isVisible(WindowHandle window)
{
    Lock lock(m_mutex);
    return visible(window);
}

bool FakeWindowServices::isEnabled(WindowHandle window)
{
    Lock lock(m_mutex);
    return exists(window) && m_now >= entry(window)->script.enabledAt;
}

bool FakeWindowServices::deliver(Delivery delivery, WindowHandle window, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t lParam)
{
    std::function<void()> action;
    std::size_t index = 0;
    {
        Lock lock(m_mutex);
        Message m{delivery, window, message, wParam, lParam, m_now, m_now, exists(window)};
        index = m_messages.size();
        m_messages.push_back(m);
        if (!m.delivered)
            return false;
        Entry* e = entry(window);
        if (message == MouseMessage::LeftButtonDown) {
            e->buttonDown = true;
        } else if (message == MouseMessage::LeftButtonUp && e->buttonDown) {
            e->buttonDown = false;
            ++e->presses;
            action = e->pressAction;
        }
    }
    if (action)
        action();
    Lock lock(m_mutex);
    if (delivery == Delivery::Sent) {
        // The handler of a sent message runs any modal window it opens to its end.
        for (bool waited = true; waited;) {
            waited = false;
            for (WindowHandle handle : m_order) {
                const Window& w = m_windows.at(handle).script;
                if (w.modal && exists(handle)) {
                    if (w.disappearAt == Never)
                        throw std::logic_error("a sent message waits for a modal window that never closes");
                    m_now = w.disappearAt;
                    waited = true;
                }
            }
        }
    }
    m_messages[index].returnedAt = m_now;
    return true;
}

bool FakeWindowServices::postMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam)
{
    return deliver(Delivery::Posted, window, message, wParam, lParam);
}

bool FakeWindowServices::sendMouseMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                          std::intptr_t lParam)
{
    return deliver(Delivery::Sent, window, message, wParam, lParam);
}

void FakeWindowServices::sleep(int milliseconds)
{
    Lock lock(m_mutex);
    m_sleeps.push_back(milliseconds);
    m_now += std::max(0, milliseconds);
}

} // namespace corvina
