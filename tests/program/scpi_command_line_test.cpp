// The SCPI server's options: --scpi with or without its port, --scpi-listen
// (which implies --scpi), and the ports and addresses refused.
#include <gtest/gtest.h>

#include "program/command_line.h"
#include "tests/support/parsed_command_line.h"

namespace kd71::test {
namespace {

TEST(ScpiOptions, APortMayBeLeftOutAndAnAddressOpensTheServerToo) {
  EXPECT_EQ(parse({"--headless"}).scpi_port, -1) << "no server without the options";

  CommandLine cl = parse({"--scpi", "--headless"});
  EXPECT_EQ(cl.error, "");
  EXPECT_EQ(cl.scpi_port, 5025);
  EXPECT_EQ(cl.scpi_address, "127.0.0.1");
  EXPECT_TRUE(cl.headless) << "the option after --scpi is not its port";

  EXPECT_EQ(parse({"--scpi", "0"}).scpi_port, 0);
  EXPECT_EQ(parse({"--simulate", "--scpi", "65535"}).scpi_port, 65535);

  cl = parse({"--scpi-listen", "0.0.0.0"});
  EXPECT_EQ(cl.scpi_port, 5025);
  EXPECT_EQ(cl.scpi_address, "0.0.0.0");
  cl = parse({"--scpi-listen", "::", "--scpi", "6000"});
  EXPECT_EQ(cl.scpi_port, 6000);
  EXPECT_EQ(cl.scpi_address, "::");
  EXPECT_EQ(parse({"--scpi", "6001", "--scpi-listen", "::"}).scpi_port, 6001)
      << "the address keeps the port given";
}

TEST(ScpiOptions, APortOutOfRangeOrAMissingAddressIsRefused) {
  for (const char* port : {"65536", "5025x", "99999999999", "abc", "-1"})
    EXPECT_EQ(parse({"--scpi", port}).error, "--scpi needs a port from 0 to 65535 (0: a free one)")
        << port;
  EXPECT_EQ(parse({"--scpi-listen"}).error, "--scpi-listen needs an address, such as 0.0.0.0");
  EXPECT_EQ(parse({"--scpi-listen", ""}).error, "--scpi-listen needs an address, such as 0.0.0.0");
}

}  // namespace
}  // namespace kd71::test
