// What the end-to-end tests need of the X server beyond xdotool and xprop.
// Mainly, it waits until a client has handled everything sent to it so far:
// the tests' way to know the program has taken a pointer move, a click or a
// key, and painted what follows from it, before they look.
//
//   e2e_xhelper SECONDS app WINDOW...
//       Pings the first of the windows that takes _NET_WM_PING, twice. The
//       program answers a ping in the order of its X events, so the first
//       answer says every earlier event has been read; the second comes after
//       the program's next turn of its event loop, once what the earlier
//       events changed has been painted and sent to the server.
//   e2e_xhelper SECONDS wm
//       Asks the window manager for the frame of a window of our own: once it
//       answers, it has handled every earlier request (a move, a focus).
//   e2e_xhelper SECONDS keys TEXT
//       Gives each letter of TEXT missing from the keyboard map a spare key of
//       its own, for good. Left to itself, xdotool lends such a letter a key
//       only for the moment of typing it, and a program that reads the map
//       after that moment loses the letter.
//
// Exit status: 0 answered; 1 no answer in time; 2 none of the windows takes
// pings (gone, or not the program's); 3 no X server or bad arguments.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    if (!reply) return XCB_ATOM_NONE;
    return reply->atom;
}

// The next event, or null once the deadline has passed or the server is gone.
Owned<xcb_generic_event_t> NextEvent(xcb_connection_t* c, Clock::time_point deadline) {
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            return Owned<xcb_generic_event_t>(event);
        }
        if (xcb_connection_has_error(c)) return nullptr;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return nullptr;
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
}

uint8_t Type(const xcb_generic_event_t& event) {
    return event.response_type & 0x7f;
}

bool TakesPings(xcb_connection_t* c, xcb_window_t window, xcb_atom_t protocols, xcb_atom_t ping) {
    xcb_generic_error_t* error = nullptr;  // a window gone meanwhile
    Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, protocols, XCB_ATOM_ATOM, 0, 64), &error));
    std::free(error);
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < count; ++i) {
        if (atoms[i] == ping) return true;
    }
    return false;
}

int SyncApp(xcb_connection_t* c, xcb_window_t root, Clock::time_point deadline, int argc,
            char** argv) {
    const xcb_atom_t protocols = Atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = Atom(c, "_NET_WM_PING");
    xcb_window_t target = XCB_WINDOW_NONE;
    for (int i = 0; i < argc && target == XCB_WINDOW_NONE; ++i) {
        const auto window = static_cast<xcb_window_t>(std::strtoul(argv[i], nullptr, 0));
        if (window != XCB_WINDOW_NONE && TakesPings(c, window, protocols, ping)) target = window;
    }
    if (target == XCB_WINDOW_NONE) return 2;

    // The answer goes to the root window: Qt sends it to those listening for
    // changes of the root window itself, other toolkits to those listening for
    // changes of its children.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    // Told apart from the window manager's own pings, which count up from 1.
    const uint32_t base = 0x70000000u | ((static_cast<uint32_t>(getpid()) & 0xffffu) << 8);
    for (uint32_t round = 1; round <= 2; ++round) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = target;
        message.type = protocols;
        message.data.data32[0] = ping;
        message.data.data32[1] = base + round;
        message.data.data32[2] = target;
        // An empty event mask sends the event to the window's own client.
        xcb_send_event(c, 0, target, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c);
        for (;;) {
            Owned<xcb_generic_event_t> event = NextEvent(c, deadline);
            if (!event) return 1;
            if (Type(*event) == 0) {  // an error: the window went away
                if (reinterpret_cast<xcb_generic_error_t*>(event.get())->error_code == XCB_WINDOW) {
                    return 2;
                }
                continue;
            }
            if (Type(*event) != XCB_CLIENT_MESSAGE) continue;
            const auto* answer = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
            if (answer->type == protocols && answer->data.data32[0] == ping &&
                answer->data.data32[1] == base + round) {
                break;
            }
        }
    }
    return 0;
}

int SyncWindowManager(xcb_connection_t* c, const xcb_screen_t& screen, Clock::time_point deadline) {
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen.root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.root_visual, XCB_CW_EVENT_MASK, &mask);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    const auto ask = [&] {
        xcb_send_event(c, 0, screen.root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c);
    };
    ask();
    for (;;) {
        // Asked again every half second: a window manager just started
        // sometimes never answers the first request.
        const auto again = std::min(deadline, Clock::now() + std::chrono::milliseconds(500));
        Owned<xcb_generic_event_t> event = NextEvent(c, again);
        if (!event) {
            if (Clock::now() >= deadline) return 1;
            ask();
            continue;
        }
        if (Type(*event) != XCB_PROPERTY_NOTIFY) continue;
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (change->window == window && change->atom == extents) return 0;
    }
}

// The code points of UTF-8 text; a broken sequence ends it.
std::vector<uint32_t> CodePoints(const std::string& text) {
    std::vector<uint32_t> points;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80    ? 1
                              : lead >= 0xf0 ? 4
                              : lead >= 0xe0 ? 3
                              : lead >= 0xc0 ? 2
                                             : 0;
        if (length == 0 || i + length > text.size()) break;
        uint32_t point = length == 1 ? lead : lead & (0x7fu >> length);
        for (size_t k = 1; k < length; ++k) {
            point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3fu);
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

int MapLetters(xcb_connection_t* c, const std::string& text) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_keycode_t first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    Owned<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, first, static_cast<uint8_t>(count)), nullptr));
    if (!reply) return 3;
    const int perKey = reply->keysyms_per_keycode;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    std::vector<xcb_keysym_t> map(keysyms,
                                  keysyms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
    for (uint32_t point : CodePoints(text)) {
        if (point < 0x80) continue;
        // Latin-1 letters have keysyms of their own number, the others are
        // Unicode keysyms.
        const xcb_keysym_t keysym = point < 0x100 ? point : 0x1000000u | point;
        if (std::find(map.begin(), map.end(), keysym) != map.end()) continue;
        int spare = -1;
        for (int key = 1; key < count && spare < 0; ++key) {
            const auto begin = map.begin() + key * perKey;
            if (std::all_of(begin, begin + perKey, [](xcb_keysym_t s) { return s == 0; })) {
                spare = key;
            }
        }
        if (spare < 0) {
            std::fprintf(stderr, "no spare key left for U+%04X\n", point);
            return 1;
        }
        std::fill(map.begin() + spare * perKey, map.begin() + spare * perKey + std::min(perKey, 2),
                  keysym);
        xcb_change_keyboard_mapping(c, 1, static_cast<xcb_keycode_t>(first + spare),
                                    static_cast<uint8_t>(perKey), &map[spare * perKey]);
    }
    // Made before any key typed after this ends.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool known =
        argc >= 3 && (std::strcmp(argv[2], "app") == 0 || std::strcmp(argv[2], "wm") == 0 ||
                      (std::strcmp(argv[2], "keys") == 0 && argc == 4));
    if (!known) {
        std::fprintf(stderr, "usage: %s SECONDS app WINDOW... | wm | keys TEXT\n", argv[0]);
        return 3;
    }
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long>(std::atof(argv[1]) * 1000));
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "%s: cannot connect to the X server\n", argv[0]);
        return 3;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    int status = 0;
    if (std::strcmp(argv[2], "app") == 0) {
        status = SyncApp(c, screens.data->root, deadline, argc - 3, argv + 3);
    } else if (std::strcmp(argv[2], "wm") == 0) {
        status = SyncWindowManager(c, *screens.data, deadline);
    } else {
        status = MapLetters(c, argv[3]);
    }
    xcb_disconnect(c);
    return status;
}
