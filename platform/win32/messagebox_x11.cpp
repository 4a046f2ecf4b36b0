// The X side of SDL's message box, which SDL draws from a forked child of the
// program with an X connection of its own.
#include <SDL.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cerrno>
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
    m_pConnection = c;
    m_iStop[0] = stop[0];
    m_iStop[1] = stop[1];
    g_armed = this;
}

void BoxKeyboard::Watch() {
    m_Thread = std::thread([this] {
        auto* c = static_cast<xcb_connection_t*>(m_pConnection);
        std::vector<xcb_window_t> created;  // top-level windows made while the box is up
        pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {m_iStop[0], POLLIN, 0}};
        while (!xcb_connection_has_error(c)) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                const uint8_t type = event->response_type & 0x7F;
                if (type == XCB_CREATE_NOTIFY) {
                    auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    if (e->parent == m_Root && !e->override_redirect) created.push_back(e->window);
                } else if (type == XCB_MAP_NOTIFY) {
                    auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
                    bool made = false;
                    for (xcb_window_t w : created) made = made || w == e->window;
                    // Mapped as a child of the root: viewable now. Should it go
                    // again at once, the server's refusal is an answer, not a fault.
                    if (made && e->event == m_Root && TitleOf(c, e->window) == m_Title)
                        std::free(xcb_request_check(c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, e->window,
                                                                                    XCB_CURRENT_TIME)));
                }
                std::free(event);
            }
            if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
            if (fds[1].revents) break;
        }
    });
}

BoxKeyboard::~BoxKeyboard() {
    BoxKeyboard* self = this;
    g_armed.compare_exchange_strong(self, nullptr);
    if (!m_pConnection) return;
    if (m_Thread.joinable()) {
        const char bye = 0;
        while (write(m_iStop[1], &bye, 1) < 0 && errno == EINTR) {
        }
        m_Thread.join();
    }
    xcb_disconnect(static_cast<xcb_connection_t*>(m_pConnection));
    close(m_iStop[0]);
    close(m_iStop[1]);
}

// Keys typed while the box was up were meant for it: those that reached the
// game's window (before the box had the keyboard, or with nobody to hand it
// over) are dropped. Releases stay, so that a key held down before the box
// still comes up in the game.
void DropKeysTypedAtBox() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_KEYDOWN);
    SDL_FlushEvents(SDL_TEXTEDITING, SDL_TEXTINPUT);
}

}  // namespace w32
