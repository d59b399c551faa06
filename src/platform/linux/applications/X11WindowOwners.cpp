#include "platform/linux/applications/X11WindowOwners.h"

#include "base/Log.h"

#include <cstdlib>
#include <limits>
#include <xcb/res.h>

namespace ostrel {
namespace {

// More client windows than any desktop shows; the cap bounds one question's round trip.
constexpr uint32_t kMaxWindows = 4096;

template <class T> struct FreeDeleter {
    void operator()(T* pointer) const { std::free(pointer); }
};
template <class T> using XcbReply = std::unique_ptr<T, FreeDeleter<T>>;

void discard(xcb_generic_error_t* error) {
    std::free(error);
}

std::optional<qint32> asPid(uint32_t value) {
    if (value == 0 || value > uint32_t(std::numeric_limits<qint32>::max())) {
        return std::nullopt;
    }
    return qint32(value);
}

} // namespace

std::unique_ptr<X11WindowOwners> X11WindowOwners::connect(const QByteArray& displayName) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(displayName.constData(), &screen);
    if (const int error = xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        logLine(
            QStringLiteral("⚠️ [RunningApplications] Cannot reach X11 display %1 (error %2): "
                           "no frontmost application or window list")
                .arg(QString::fromLocal8Bit(displayName))
                .arg(error));
        return nullptr;
    }
    return std::unique_ptr<X11WindowOwners>(new X11WindowOwners(connection, screen));
}

std::unique_ptr<WindowOwnerSource> X11WindowOwners::connectToSessionDisplay() {
    if (qgetenv("XDG_SESSION_TYPE") == "wayland") {
        logLine(QStringLiteral("ℹ️ [RunningApplications] Wayland session: the frontmost "
                               "application and the window list are not available (X11 knows "
                               "only XWayland's windows)"));
        return nullptr;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        logLine(QStringLiteral("ℹ️ [RunningApplications] No X11 display: the frontmost "
                               "application and the window list are not available"));
        return nullptr;
    }
    return connect(display);
}

X11WindowOwners::X11WindowOwners(xcb_connection_t* connection, int screen)
    : connection_(connection), screen_(screen) {
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(connection_, &ewmh_);
    hasEwmh_ = cookies && xcb_ewmh_init_atoms_replies(&ewmh_, cookies, nullptr) != 0;

    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_res_id);
    if (extension && extension->present) {
        XcbReply<xcb_res_query_version_reply_t> version(xcb_res_query_version_reply(
            connection_, xcb_res_query_version(connection_, 1, 2), nullptr));
        // Client ids, with the pid, arrived in version 1.2.
        hasClientIds_ = version && (version->server_major > 1 ||
                                    (version->server_major == 1 && version->server_minor >= 2));
    }
    if (!hasEwmh_) {
        logLine(QStringLiteral("⚠️ [RunningApplications] The X11 display has no window manager "
                               "atoms: no frontmost application or window list"));
    }
}

X11WindowOwners::~X11WindowOwners() {
    if (hasEwmh_) {
        xcb_ewmh_connection_wipe(&ewmh_);
    }
    xcb_disconnect(connection_);
}

bool X11WindowOwners::isUsable() {
    if (const int error = xcb_connection_has_error(connection_)) {
        if (!lossLogged_) {
            lossLogged_ = true;
            logLine(
                QStringLiteral("⚠️ [RunningApplications] Lost the X11 display (error %1): no "
                               "frontmost application or window list from now on")
                    .arg(error));
        }
        return false;
    }
    return hasEwmh_;
}

std::vector<std::optional<qint32>>
X11WindowOwners::ownerPids(const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_res_query_client_ids_cookie_t> clientCookies;
    if (hasClientIds_) {
        clientCookies.reserve(windows.size());
        for (const xcb_window_t window : windows) {
            const xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            clientCookies.push_back(xcb_res_query_client_ids(connection_, 1, &spec));
        }
    }
    std::vector<xcb_get_property_cookie_t> pidCookies;
    pidCookies.reserve(windows.size());
    for (const xcb_window_t window : windows) {
        pidCookies.push_back(xcb_ewmh_get_wm_pid(&ewmh_, window));
    }

    std::vector<std::optional<qint32>> pids(windows.size());
    for (std::size_t i = 0; i < clientCookies.size(); ++i) {
        xcb_generic_error_t* error = nullptr;
        XcbReply<xcb_res_query_client_ids_reply_t> reply(
            xcb_res_query_client_ids_reply(connection_, clientCookies[i], &error));
        discard(error);
        if (!reply) {
            continue;
        }
        for (xcb_res_client_id_value_iterator_t it =
                 xcb_res_query_client_ids_ids_iterator(reply.get());
             it.rem > 0; xcb_res_client_id_value_next(&it)) {
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                xcb_res_client_id_value_value_length(it.data) >= 1) {
                pids[i] = asPid(xcb_res_client_id_value_value(it.data)[0]);
                break;
            }
        }
    }
    for (std::size_t i = 0; i < pidCookies.size(); ++i) {
        uint32_t pid = 0;
        xcb_generic_error_t* error = nullptr;
        const bool hasPid = xcb_ewmh_get_wm_pid_reply(&ewmh_, pidCookies[i], &pid, &error) != 0;
        discard(error);
        if (!pids[i] && hasPid) {
            pids[i] = asPid(pid);
        }
    }
    return pids;
}

std::optional<qint32> X11WindowOwners::activeWindowOwnerPid() {
    if (!isUsable()) {
        return std::nullopt;
    }
    xcb_window_t window = XCB_WINDOW_NONE;
    xcb_generic_error_t* error = nullptr;
    const bool hasActive =
        xcb_ewmh_get_active_window_reply(&ewmh_, xcb_ewmh_get_active_window(&ewmh_, screen_),
                                         &window, &error) != 0;
    discard(error);
    if (!hasActive || window == XCB_WINDOW_NONE) {
        return std::nullopt;
    }
    // The server names the client that owns an id's range even after the window is gone, so
    // the window must still exist for its owner to count.
    const xcb_get_window_attributes_cookie_t exists =
        xcb_get_window_attributes(connection_, window);
    const std::optional<qint32> owner = ownerPids({window}).front();
    xcb_generic_error_t* attributesError = nullptr;
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection_, exists, &attributesError));
    discard(attributesError);
    return attributes ? owner : std::nullopt;
}

std::vector<qint32> X11WindowOwners::visibleWindowOwnerPids() {
    if (!isUsable()) {
        return {};
    }
    xcb_ewmh_get_windows_reply_t clients{};
    xcb_generic_error_t* error = nullptr;
    const bool hasList =
        xcb_ewmh_get_client_list_reply(&ewmh_, xcb_ewmh_get_client_list(&ewmh_, screen_), &clients,
                                       &error) != 0;
    discard(error);
    if (!hasList) {
        return {};
    }
    std::vector<xcb_window_t> windows(clients.windows,
                                      clients.windows + std::min(clients.windows_len, kMaxWindows));
    xcb_ewmh_get_windows_reply_wipe(&clients);

    // Minimized windows and those on another workspace are unmapped, hence not viewable.
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    attributeCookies.reserve(windows.size());
    for (const xcb_window_t window : windows) {
        attributeCookies.push_back(xcb_get_window_attributes(connection_, window));
    }
    std::vector<xcb_window_t> visible;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        xcb_generic_error_t* attributesError = nullptr;
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection_, attributeCookies[i], &attributesError));
        discard(attributesError);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            visible.push_back(windows[i]);
        }
    }
    std::vector<qint32> owners;
    for (const std::optional<qint32>& pid : ownerPids(visible)) {
        if (pid) {
            owners.push_back(*pid);
        }
    }
    return owners;
}

} // namespace ostrel
