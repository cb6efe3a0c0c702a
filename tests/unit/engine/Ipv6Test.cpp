// IPv6 in the cycle: a name's IPv6 addresses within the same attempt when
// IPv4 cannot reach it, IPv6 literals, and an own address of IPv6 only.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

IpAddress V6(const std::string& text) {
    return ParseIpv6Literal(text).value();
}

HostEntry DualStack() {
    HostEntry entry = Entry("target.example", {"127.0.0.5"});
    entry.ipv6Addresses = {V6("::1")};
    return entry;
}

std::vector<IpAddress> Connected(const FakeNetwork& network) {
    std::vector<IpAddress> addresses;
    for (const auto& call : network.connects) {
        addresses.push_back(call.address);
    }
    return addresses;
}

// Each may take the connect's whole time-out, so only the first three.
TEST_F(EngineTest, TheNamesIpv6AddressesAreTriedInTurnUpToThree) {
    InitializeWith({"alpha.test"});
    StartArmed();
    HostEntry entry = Entry("target.example", {});
    entry.ipv6Addresses = {V6("2001:db8::1"), V6("2001:db8::2"), V6("2001:db8::3"),
                           V6("2001:db8::4")};
    network.CompleteTargetLookup(entry);
    network.connectsFail = true;
    Tick();
    EXPECT_THAT(Connected(network),
                ElementsAre(V6("2001:db8::1"), V6("2001:db8::2"), V6("2001:db8::3")));
    EXPECT_EQ(Count().httpFailures, 1) << "one attempt, one failure";
    network.connects.clear();
    network.connectsFail = false;
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Start();
    network.CompleteTargetLookup(entry);
    Tick();
    EXPECT_THAT(Connected(network), ElementsAre(V6("2001:db8::1"), V6("2001:db8::2")))
        << "the first that connects ends the tries";
}

TEST_F(EngineTest, NoIpv4RouteTriesTheNamesIpv6AddressInTheSameAttempt) {
    InitializeWith({"alpha.test"});
    StartArmed();
    network.CompleteTargetLookup(DualStack());
    network.connectOutcomes = {ConnectStatus::NoRoute};
    Tick();
    EXPECT_THAT(Connected(network), ElementsAre(V4("127.0.0.5"), V6("::1")));
    ReplyToLast();
    const Counters counted = Count();
    EXPECT_EQ(counted.successes, 1);
    EXPECT_EQ(counted.httpFailures + counted.socketFailures + counted.dnsFailures, 0);
}

TEST_F(EngineTest, ANameWithOnlyIpv6AddressesIsReachedOverIpv6) {
    InitializeWith({"alpha.test"});
    StartArmed();
    HostEntry entry = Entry("target.example", {});
    entry.ipv6Addresses = {V6("::1")};
    network.CompleteTargetLookup(entry);
    Tick();
    EXPECT_THAT(Connected(network), ElementsAre(V6("::1")));
}

// Whatever families an attempt tried, it counts one failure, under the name.
TEST_F(EngineTest, AnAttemptFailingOverBothFamiliesCountsOnce) {
    InitializeWith({"alpha.test"}, false);
    StartArmed();
    network.CompleteTargetLookup(DualStack());
    network.connectOutcomes = {ConnectStatus::NoRoute, ConnectStatus::ConnectFailed};
    Tick();
    EXPECT_EQ(network.connects.size(), 2U);
    EXPECT_EQ(Count().httpFailures, 1);
    EXPECT_EQ(Count().socketFailures, 1);
    EXPECT_EQ(Snapshot().lastProblem, "alpha.test");
    EXPECT_EQ(alerts.shown.size(), 1U);
}

TEST_F(EngineTest, Ipv4ThatRefusesIsNotFollowedByIpv6) {
    InitializeWith({"alpha.test"});
    StartArmed();
    network.CompleteTargetLookup(DualStack());
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Tick();
    EXPECT_THAT(Connected(network), ElementsAre(V4("127.0.0.5")));
}

TEST_F(EngineTest, Ipv6LiteralsNeedNoLookup) {
    for (const char* literal : {"::1", "[::1]"}) {
        InitializeWith({literal});
        StartArmed();
        Tick();
        EXPECT_THAT(network.targetLookups, IsEmpty()) << literal;
        EXPECT_EQ(LastAddress(), V6("::1")) << literal;
    }
}

// A name that starts with a digit is never looked up, so it must not reach
// the address of the last name that was.
TEST_F(EngineTest, ADigitNameThatIsNoAddressOfEitherFamilyIsNoLookupResult) {
    InitializeWith({"alpha.test", "1a:zz"});
    StartArmed();
    network.CompleteTargetLookup(DualStack());
    Tick();
    nameCombo.Pick(1);
    Start();
    Tick();
    EXPECT_EQ(LastAddress(), V4("255.255.255.255"));
}

TEST_F(EngineTest, AnOwnAddressOfIpv6OnlyGoesInBracketsIntoTheHostLine) {
    InitializeWith({"127.0.0.1"});
    Start();
    HostEntry own = Entry("workstation", {});
    own.ipv6Addresses = {V6("::2"), V6("::1")};
    network.CompleteLocalLookup(own);
    EXPECT_EQ(Snapshot().ownAddress, "::1");
    Tick();
    EXPECT_THAT(network.sends.at(0).second, HasSubstr("\r\nHost: [::1]\r\n"));
}

} // namespace
} // namespace jostle::test
