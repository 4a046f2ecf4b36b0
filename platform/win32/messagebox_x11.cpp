// The X side of SDL's message box, which SDL draws from a forked child of the
// program with an X connection of its own.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win32_internal.h"

namespace w32 {
namespace {
using XIOErrorHandlerFn = int (*)(Display*);
XIOErrorHandlerFn g_previousIo = nullptr;
pid_t g_ioOwner = 0;
std::atomic<BoxKeyboard*> g_armed{nullptr};  // the box being shown

// A broken X connection: Xlib's own answer is exit(), which in a box's child
// would run the program's exit path (static destructors, the pool of threads
// the child does not have). The child ends at once instead, and its parent,
// told that the box failed, meets the broken connection itself.
int OnConnectionLost(Display* display) {
    if (getpid() != g_ioOwner) _exit(1);
    return g_previousIo ? g_previousIo(display) : 0;
}

// The box's process has been forked: only now may the watcher's thread run,
// as no lock it takes (the allocator's, say) can then be copied held.
void AfterForkInParent() {
    if (BoxKeyboard* keyboard = g_armed.exchange(nullptr)) keyboard->Watch();
}

// The title of a window as its WM_NAME has it (empty when it has none).
std::string TitleOf(xcb_connection_t* c, xcb_window_t window) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    if (!reply) return std::string();
    std::string title(static_cast<const char*>(xcb_get_property_value(reply)),
                      static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return title;
}
}  // namespace

void ReadyForNativeBox() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_ioOwner = getpid();
        g_previousIo = XSetIOErrorHandler(OnConnectionLost);
        pthread_atfork(nullptr, AfterForkInParent, nullptr);
    });
}

// On an X server without a window manager nobody gives a new window the
// keyboard: the box's keys would go on to the game's window behind it. The
// program watches the screen's top-level windows from a connection of its own
// (XCB: no process-wide error handlers) and gives the keyboard to the box's
// window as it is shown. A window manager that frames windows shows the box
// inside its frame, never as a top-level window of its own, and hands over the
// keyboard itself.
BoxKeyboard::BoxKeyboard(const char* title) : m_Title(title ? title : "") {
    if (!std::getenv("DISPLAY")) return;
    int stop[2];
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) || pipe(stop) != 0) {
        xcb_disconnect(c);
        return;
    }
    m_Root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Watched before the box's window can exist: the request is answered before
    // the box is asked for, and what follows waits on the connection.
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_change_window_attributes_checked(c, m_Root, XCB_CW_EVENT_MASK, &mask));
    if (error) {
        std::free(error);
        xcb_disconnect(c);
        close(stop[0]);
        close(stop[1]);
        return;
    }
    // An unmapped input-only window: appending nothing to one of its properties
    // makes the server report the time it did so.
    m_Clock = xcb_generate_id(c);
    const uint32_t clockMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, 0, m_Clock, m_Root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_EVENT_MASK, &clockMask);
    xcb_flush(c);
    m_pConnection = c;
    m_iStop[0] = stop[0];
    m_iStop[1] = stop[1];
    g_armed = this;
}

void BoxKeyboard::Watch() {
    m_Thread = std::thread([this] {
        auto* c = static_cast<xcb_connection_t*>(m_pConnection);
        std::vector<xcb_window_t> created;  // top-level windows made while the box is up
        xcb_window_t box = 0;
        auto made = [&](xcb_window_t w) {
            for (xcb_window_t m : created)
                if (m == w) return true;
            return false;
        };
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {m_iStop[0], POLLIN, 0}};
        while (!xcb_connection_has_error(c)) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                const uint8_t type = event->response_type & 0x7F;
                if (type == XCB_CREATE_NOTIFY) {
                    auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    if (e->parent == m_Root && !e->override_redirect && e->window != m_Clock) {
                        created.push_back(e->window);
                        // Its own changes too, wherever a window manager puts it.
                        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                        xcb_change_window_attributes(c, e->window, XCB_CW_EVENT_MASK, &mask);
                        xcb_flush(c);
                    }
                } else if (type == XCB_MAP_NOTIFY) {
                    auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
                    if (!box && made(e->window) && TitleOf(c, e->window) == m_Title) {
                        box = e->window;
                        m_bBoxSeen = true;
                    }
                    // Mapped as a child of the root: viewable now, and nobody
                    // hands it the keyboard. Should it go again at once, the
                    // server's refusal is an answer, not a fault.
                    if (box == e->window && e->event == m_Root)
                        std::free(xcb_request_check(c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, e->window,
                                                                                    XCB_CURRENT_TIME)));
                } else if (type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) {
                    // Both carry the window first after the event's own.
                    auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
                    if (box && e->window == box && !m_bClosedKnown) {
                        xcb_change_property(c, XCB_PROP_MODE_APPEND, m_Clock, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                                            nullptr);
                        xcb_flush(c);
                    }
                } else if (type == XCB_PROPERTY_NOTIFY) {
                    auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    if (e->window == m_Clock && !m_bClosedKnown) {
                        m_uClosedAt = e->time;
                        m_bClosedKnown = true;
                    }
                }
                std::free(event);
            }
            if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
            if (fds[1].revents) break;
        }
    });
}

void BoxKeyboard::Finish() {
    if (!m_Thread.joinable()) return;
    // The box's window goes before its process ends: its time comes at once,
    // unless the server is gone or the box never showed.
    for (int i = 0; i < 50 && m_bBoxSeen && !m_bClosedKnown; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const char bye = 0;
    while (write(m_iStop[1], &bye, 1) < 0 && errno == EINTR) {
    }
    m_Thread.join();
}

bool BoxKeyboard::ClosedAt(uint32_t* time) const {
    if (!m_bClosedKnown) return false;
    *time = m_uClosedAt;
    return true;
}

BoxKeyboard::~BoxKeyboard() {
    BoxKeyboard* self = this;
    g_armed.compare_exchange_strong(self, nullptr);
    if (!m_pConnection) return;
    Finish();
    xcb_disconnect(static_cast<xcb_connection_t*>(m_pConnection));
    close(m_iStop[0]);
    close(m_iStop[1]);
}

namespace {
struct KeysAtBox {
    bool timed;         // the box's time of going is known
    uint32_t closedAt;  // that time
    bool atBox;         // the last key press the X server reported came before it
};

// Keeps an event unless it is a key press (or its text) made while the box was
// up. The X server's own report of each press comes just before the game's key.
int KeepUnlessTypedAtBox(void* data, SDL_Event* event) {
    auto* keys = static_cast<KeysAtBox*>(data);
    if (event->type == SDL_SYSWMEVENT && keys->timed && event->syswm.msg &&
        event->syswm.msg->subsystem == SDL_SYSWM_X11 && event->syswm.msg->msg.x11.event.type == KeyPress) {
        const uint32_t pressed = static_cast<uint32_t>(event->syswm.msg->msg.x11.event.xkey.time);
        keys->atBox = static_cast<int32_t>(pressed - keys->closedAt) < 0;
    }
    const bool key = event->type == SDL_KEYDOWN || event->type == SDL_TEXTEDITING || event->type == SDL_TEXTINPUT;
    return key && keys->atBox ? 0 : 1;
}
}  // namespace

// Keys typed while the box was up were meant for it: those that reached the
// game's window (before the box had the keyboard, or with nobody to hand it
// over) are dropped. Keys pressed once the box had gone stay, however late the
// program got back from it. Releases stay, so that a key held down before the
// box still comes up in the game. Without the box's time every press queued
// now counts as the box's.
void DropKeysTypedAtBox(const BoxKeyboard& keyboard) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_PumpEvents();
    KeysAtBox keys{false, 0, true};
    keys.timed = keyboard.ClosedAt(&keys.closedAt) && SDL_EventState(SDL_SYSWMEVENT, SDL_QUERY) == SDL_ENABLE;
    SDL_FilterEvents(KeepUnlessTypedAtBox, &keys);
}

}  // namespace w32
