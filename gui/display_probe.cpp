// Whether the window system the environment names can be reached, found out
// before Qt starts: Qt ends the process when its platform cannot connect, and
// the program is to run headless instead.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gui/window_session.h"

namespace kd71::qt {

namespace {

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Connecting includes the X server's authorization check.
bool x_display_reachable(const std::string& display) {
  if (display.empty()) return false;
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  const bool ok = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return ok;
}

bool wayland_plugin_installed() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/platforms"));
  return !platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty();
}

// The compositor's socket: $WAYLAND_DISPLAY, relative to $XDG_RUNTIME_DIR
// unless it is a path.
bool wayland_display_reachable(const std::string& display) {
  if (display.empty() || !wayland_plugin_installed()) return false;
  const std::string path = display[0] == '/' ? display : env("XDG_RUNTIME_DIR") + "/" + display;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return ok;
}

std::string unreachable(const std::string& x, const std::string& wayland) {
  if (!x.empty()) return "cannot open the display \"" + x + "\"";
  if (!wayland.empty()) return "cannot reach the Wayland display \"" + wayland + "\"";
  return "no display available";
}

}  // namespace

std::string display_problem() {
  const std::string x = env("DISPLAY");
  const std::string wayland = env("WAYLAND_DISPLAY");
  const std::string chosen = env("QT_QPA_PLATFORM");
  if (!chosen.empty()) {
    // The user's choice of platforms, tried in order by Qt; only the window
    // systems can be checked, the others (offscreen, vnc, eglfs ...) are
    // taken as they are.
    for (const QString& name : QString::fromStdString(chosen).split(QLatin1Char(';'))) {
      const QString platform = name.section(QLatin1Char(':'), 0, 0).trimmed();
      if (platform == QLatin1String("xcb")) {
        if (x_display_reachable(x)) return "";
      } else if (platform.startsWith(QLatin1String("wayland"))) {
        if (wayland_display_reachable(wayland)) return "";
      } else if (!platform.isEmpty()) {
        return "";
      }
    }
    return unreachable(x, wayland);
  }
  if (x_display_reachable(x)) return "";
  if (wayland_display_reachable(wayland)) {
    setenv("QT_QPA_PLATFORM", "wayland", 1);  // Qt would otherwise try X only
    return "";
  }
  return unreachable(x, wayland);
}

}  // namespace kd71::qt
