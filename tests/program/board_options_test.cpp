// Several boards and the metrics on the command line: --serial, --metrics
// with and without an address, and what is refused.
#include <gtest/gtest.h>

#include "program/command_line.h"
#include "tests/support/parsed_command_line.h"

namespace kd71::test {
namespace {

TEST(BoardOptions, AMetricsEndpointIsAPortOrAnAddressAndAPort) {
  struct Case {
    const char* given;
    const char* address;
    int port;
  };
  for (const Case& c : {Case{"9471", "127.0.0.1", 9471}, Case{"0", "127.0.0.1", 0},
                        Case{"0.0.0.0:9100", "0.0.0.0", 9100}, Case{"[::1]:65535", "::1", 65535},
                        Case{"lab-pc:9471", "lab-pc", 9471}}) {
    const CommandLine cl = parse({"--metrics", c.given});
    EXPECT_EQ(cl.error, "") << c.given;
    EXPECT_EQ(cl.metrics_address, c.address) << c.given;
    EXPECT_EQ(cl.metrics_port, c.port) << c.given;
  }
  EXPECT_EQ(parse({"--headless"}).metrics_port, -1) << "no server without the option";
  for (const char* bad :
       {"65536", "x", ":9100", "::1:9100", "[::1]9100", "[]:9100", "1.2.3.4:", "9100x"})
    EXPECT_EQ(parse({"--metrics", bad}).error,
              "--metrics needs a port from 0 to 65535 (0: a free one), or ADDRESS:PORT such as "
              "0.0.0.0:9471 or [::1]:9471")
        << bad;
  EXPECT_EQ(parse({"--metrics"}).error, "--metrics needs a port, or ADDRESS:PORT");
}

TEST(BoardOptions, ASerialNumberMustBeOneABoardCanCarry) {
  EXPECT_EQ(parse({"--serial", "KD71SIM000002"}).serial, "KD71SIM000002");
  EXPECT_EQ(parse({"--serial", "../x"}).error,
            "--serial ../x: a serial number has only letters, digits, '.', '-' and '_'");
  EXPECT_EQ(parse({"--serial", "0123456789ABCDEF"}).error,
            "--serial 0123456789ABCDEF: a serial number has 1 to 15 characters");
  EXPECT_EQ(parse({"--serial"}).error, "--serial needs a board's serial number");
}

}  // namespace
}  // namespace kd71::test
