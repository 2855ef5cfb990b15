#include "x_watch.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

XWatch::XWatch() {
    m_connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

XWatch::~XWatch() {
    if (m_connection)
        xcb_disconnect(m_connection);
}

void XWatch::Pump() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (map->event == m_root && !map->override_redirect)
                m_maps.append(map->window);
        }
        std::free(event);
    }
}

QList<std::uint32_t> XWatch::Maps() {
    Pump();
    return m_maps;
}

void XWatch::Reset() {
    Pump();
    m_maps.clear();
}

int XWatch::ViewableWindows() {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
    if (!tree)
        return -1;
    int viewable = 0;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            !attributes->override_redirect)
            ++viewable;
        std::free(attributes);
    }
    std::free(tree);
    return viewable;
}

void XWatch::Close(std::uint32_t window) {
    auto atom = [this](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            m_connection,
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_connection);
}

long XWatch::Pixel(std::uint32_t window, int x, int y) {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), 1, 1, 0xffffffff),
        nullptr);
    if (!image || xcb_get_image_data_length(image) < 4) {
        std::free(image);
        return -1;
    }
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, xcb_get_image_data(image), 4);
    std::free(image);
    return static_cast<long>(pixel & 0xffffff);
}
