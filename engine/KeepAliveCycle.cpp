// The keep-alive cycle: own address, target lookup, one attempt (connect,
// send, first reply), failures and their counting, and the round rule.
#include "engine/Engine.h"
#include "engine/EngineText.h"
#include "res/ResourceIds.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace jostle {

namespace {

constexpr std::size_t kReceiveChunk = 1024;
// Past this much of one reply the socket is closed: an endless reply would
// otherwise keep a core busy until the next attempt.
constexpr std::size_t kReplyBound = std::size_t{1} << 20;

constexpr const char* kIgnoreHint = "\n\n(The \"Ignore Connection Failures\" option in the "
                                    "Options Dialog might help prevent this in the future.)";

// The address the lookup of this machine's name found: the last IPv4 one,
// else, on a machine without IPv4, the last IPv6 one.
std::optional<IpAddress> LocalAddressOf(const HostEntry& entry) {
    if (!entry.ipv4Addresses.empty()) {
        return entry.ipv4Addresses.back();
    }
    if (!entry.ipv6Addresses.empty()) {
        return entry.ipv6Addresses.back();
    }
    return std::nullopt;
}

std::string WithoutLeadingBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The port text as a decimal number; 0 when it is none or out of range.
std::uint16_t PortNumber(const std::string& port) {
    const char* start = port.c_str();
    char* end = nullptr;
    const long number = std::strtol(start, &end, 10);
    if (end == start || number <= 0 || number > UINT16_MAX) {
        return 0;
    }
    return static_cast<std::uint16_t>(number);
}

// A resolver may give many IPv6 addresses, and each connect may take its
// whole time-out on the UI thread.
constexpr std::size_t kMostIpv6Tries = 3;

// A name given as an address needs no lookup: dotted IPv4, or IPv6.
bool IsAddressLiteral(const std::string& name) {
    return StartsWithDigit(name) || ParseIpv6Literal(name).has_value();
}

std::string LowerCase(std::string text) {
    for (char& character : text) {
        character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    }
    return text;
}

} // namespace

void Engine::SetBusy() {
    m_startButton.Enable(false);
}

bool Engine::IsBusy() const {
    switch (m_phase) {
    case Phase::Stopped:
    case Phase::CountingDown:
    case Phase::Resting:
        return false;
    default:
        return true;
    }
}

void Engine::OnStart() {
    StopEngine(false);
    m_trayIcon.SetIcon(ids::IDI_ACTIVE);
    SetBusy();
    SetStatus("Starting Connection");
    if (!m_haveLocalAddress) {
        SetStatus("Getting Local IP Address");
        m_services.busyCursor.Show();
        LookupLocalAddress();
    } else {
        ResolveTarget();
    }
}

void Engine::StopEngine(bool notify) {
    m_startButton.Enable(true);
    m_phase = Phase::Stopped;
    CancelSchedule();
    m_services.timers.Cancel(TimerId::AutoStart);
    SetStatus("NOT RUNNING");
    m_countdownText.SetText("");
    m_countdownLabel.Enable(false);
    CloseSocket();
    if (notify) {
        m_trayIcon.SetTooltip("Jostle has stopped");
        m_trayIcon.SetIcon(ids::IDI_STOPPED);
    }
}

void Engine::LookupLocalAddress() {
    m_phase = Phase::OwnAddress;
    m_localAddressText = "no address yet";
    const std::string hostName = m_services.network.HostName();
    m_hostBuffer.officialName.reset();
    m_services.network.LookupLocalHost(hostName);
    SetStatus("Determining Local IP Address");
}

void Engine::TakeLookupResult(const std::optional<HostEntry>& entry) {
    m_services.busyCursor.Hide();
    if (entry) {
        m_hostBuffer = *entry; // target: the attempts of this start connect to this address
    }
}

void Engine::OnLocalHostFound(const std::optional<HostEntry>& entry) {
    TakeLookupResult(entry);
    const bool found = entry && entry->officialName.has_value();
    const std::optional<IpAddress> address = found ? LocalAddressOf(*entry) : std::nullopt;
    if (address) {
        m_localAddressText = AddressText(*address);
    }
    if (!address || m_localAddressText.empty()) {
        SetStatus("NOT RUNNING");
        StopEngine(true);
        Alert("Unable to get local IP address.\nHave you dialed your ISP?" + TimeStampSuffix());
        return;
    }
    m_haveLocalAddress = true;
    ResolveTarget();
}

void Engine::ResolveTarget() {
    m_pendingName = m_nameCombo.EditText();
    if (IsAddressLiteral(m_pendingName)) {
        ArmAfterStart();
        return;
    }
    m_phase = Phase::Resolving;
    m_hostBuffer.officialName.reset();
    m_services.busyCursor.Show();
    m_services.network.LookupTarget(m_pendingName);
    SetStatus("Validating Domain Name");
}

void Engine::OnTargetHostFound(const std::optional<HostEntry>& entry) {
    TakeLookupResult(entry);
    if (entry) {
        ArmAfterStart();
        return;
    }
    const std::string name = m_pendingName;
    RecordProblem(ProblemKind::Dns, name);
    if (m_options.ignoreFailures) {
        SetStatus("Last domain resolution failed");
        AdvanceToNextName(true, name);
        return;
    }
    StopEngine(true);
    Alert("Jostle: Name " + name + " Not Found." + kIgnoreHint + TimeStampSuffix());
}

void Engine::RunTheJob(bool usePending) {
    m_phase = Phase::Connecting;
    SetBusy();
    const std::string name = usePending ? m_pendingName : m_targetName;
    if (OpenConnection(name) != kNoSocket) {
        m_phase = Phase::AwaitingReply;
        m_trayIcon.SetIcon(ids::IDI_BUSY);
        SendRequest();
        return;
    }
    if (!m_options.ignoreFailures) { // ConnectSocket has counted the failure
        StopEngine(true);
    } else if (m_phase == Phase::Connecting) {
        Settled(Phase::CountingDown); // not moved on: the next expiry tries again
    }
}

SocketHandle Engine::OpenConnection(const std::string& name) {
    CloseSocket(); // an earlier attempt's socket that the peer has not closed
    m_services.busyCursor.Show();
    const SocketHandle socket = ConnectSocket(name, "80");
    m_services.busyCursor.Hide();
    if (socket == kNoSocket) {
        // m_socket stays as it is: -1, unless an attempt made while a failure
        // message was open holds a socket of its own.
        return kNoSocket;
    }
    CloseSocket(); // taken meanwhile by an attempt run from a nested event loop
    m_socket = socket;
    m_replyBytes = 0;
    m_services.network.Watch(m_socket);
    SetStatus("Connection made OK");
    SaveNameList(name);
    return m_socket;
}

void Engine::SaveNameList(const std::string& name) {
    CSettingsStore& settings = m_services.settings;
    CSettingsStore::Batch batch(settings); // the whole list lands as one replace
    WriteSetting(settings, setting::kPeriod, m_periodText);
    for (int index = 0; index < m_nameCombo.Count(); ++index) {
        WriteNameEntry(settings, index, m_nameCombo.ItemText(index));
    }
    m_targetName = name;
    if (m_nameCombo.FindExact(name) < 0) {
        const int added = m_nameCombo.Append(name);
        m_nameCombo.Select(added);
        WriteNameEntry(settings, m_nameCombo.Count() - 1, name);
    }
    m_targetIndex = m_nameCombo.FindExact(name);
    m_nameCombo.Select(m_targetIndex);
    WriteSetting(settings, setting::kSelectedName, m_targetIndex);
}

SocketHandle Engine::ConnectSocket(const std::string& name, const std::string& port) {
    const std::uint16_t portNumber = PortNumber(port);
    const std::string host = WithoutLeadingBlanks(name);
    if (host.empty() || portNumber == 0) {
        RecordProblem(ProblemKind::Socket, name);
        return kNoSocket;
    }
    bool addressKnown = false;
    const ConnectResult result = ConnectToHost(host, portNumber, addressKnown);
    if (!addressKnown) { // no lookup result to connect to: the connect cannot succeed
        ReportConnectFailure(name, port);
        return kNoSocket;
    }
    switch (result.status) {
    case ConnectStatus::Connected:
        return result.socket;
    case ConnectStatus::CreateFailed:
        RecordProblem(ProblemKind::Socket, name); // before the message, as every failure
        if (!m_options.ignoreFailures) {
            Alert("Jostle: Error opening stream socket" + TimeStampSuffix());
        }
        return kNoSocket;
    case ConnectStatus::NoRoute:
    case ConnectStatus::ConnectFailed:
        break;
    }
    ReportConnectFailure(name, port);
    return kNoSocket;
}

// IPv4 first; the name's IPv6 addresses only when it has no IPv4 address or
// no IPv4 route reaches it, all within the one attempt.
ConnectResult Engine::ConnectToHost(const std::string& host, std::uint16_t port,
                                    bool& addressKnown) {
    std::vector<IpAddress> candidates;
    if (const std::optional<IpAddress> literal = ParseIpv6Literal(host)) {
        candidates.push_back(*literal);
    } else if (StartsWithDigit(host)) { // taken as dotted, as it was looked up as none
        candidates.push_back(IpAddress::FromV4(ParseDottedAddress(host)));
    } else {
        const HostEntry& found = m_hostBuffer;
        if (!found.ipv4Addresses.empty()) {
            candidates.push_back(found.ipv4Addresses.front());
        }
        const std::size_t ipv6Tries = std::min(found.ipv6Addresses.size(), kMostIpv6Tries);
        candidates.insert(candidates.end(), found.ipv6Addresses.begin(),
                          found.ipv6Addresses.begin() + static_cast<std::ptrdiff_t>(ipv6Tries));
    }
    addressKnown = !candidates.empty();
    ConnectResult result{ConnectStatus::ConnectFailed, kNoSocket};
    for (const IpAddress& address : candidates) {
        result = m_services.network.Connect(address, port);
        // Past IPv4 only for want of a route; past one IPv6 address on any
        // failure but a socket that can't be made.
        const bool tryNext = address.IsV6() ? result.status == ConnectStatus::NoRoute ||
                                                  result.status == ConnectStatus::ConnectFailed
                                            : result.status == ConnectStatus::NoRoute;
        if (!tryNext) {
            break;
        }
    }
    return result;
}

// A failed connect counts an HTTP problem under the name without its leading
// blanks and, once it has been handled, the attempt's socket problem.
void Engine::ReportConnectFailure(const std::string& name, const std::string& port) {
    const std::string host = WithoutLeadingBlanks(name);
    RecordProblem(ProblemKind::Http, host);
    if (m_options.ignoreFailures) {
        SetStatus("Last connection failed");
        AdvanceToNextName(false, host);
    } else {
        Alert("Jostle: Cannot connect to " + host + " on port " + port + "." + kIgnoreHint +
              TimeStampSuffix());
    }
    RecordProblem(ProblemKind::Socket, name);
}

void Engine::CloseSocket() {
    if (m_socket != kNoSocket) {
        m_services.network.Close(m_socket);
        m_socket = kNoSocket;
    }
}

void Engine::SendRequest() {
    const std::string request = BuildRequest(HostHeaderText(m_localAddressText));
    m_services.network.Send(m_socket, request.data(), request.size());
    SetStatus("Jostle was sent");
}

void Engine::OnReadable(SocketHandle socket) {
    if (socket == m_socket && socket != kNoSocket) {
        HandleReadable();
    }
}

void Engine::OnClosed(SocketHandle socket) {
    if (socket == m_socket && socket != kNoSocket) {
        CloseSocket();
    }
}

void Engine::HandleReadable() {
    m_recvBuffer.fill('\0');
    const long received = m_services.network.Receive(m_socket, m_recvBuffer.data(), kReceiveChunk);
    if (received > 0) {
        m_replyBytes += static_cast<std::size_t>(received);
    }
    if (m_phase != Phase::AwaitingReply) {
        if (m_replyBytes >= kReplyBound) {
            CloseSocket(); // enough of this reply
        }
        return;
    }
    m_trayIcon.SetIcon(ids::IDI_ACTIVE);
    SetStatus("Jostle completed at " + m_services.clock.LocalTimeText());
    CountOne(m_counters.successes);
    m_failedEntries.clear(); // a success begins a new round
    Settled(Phase::CountingDown);
}

void Engine::RecordProblem(ProblemKind kind, const std::string& name) {
    m_trayIcon.SetIcon(ids::IDI_ACTIVE);
    m_lastProblem = name;
    m_problemPending = true;
    switch (kind) {
    case ProblemKind::Http:
        CountOne(m_counters.httpFailures);
        break;
    case ProblemKind::Dns:
        CountOne(m_counters.dnsFailures);
        break;
    case ProblemKind::Socket:
        CountOne(m_counters.socketFailures);
        break;
    }
}

void Engine::AdvanceToNextName(bool afterLookupFailure, const std::string& name) {
    m_lastProblem = name;
    const int count = m_nameCombo.Count();
    if (count > 0) {
        int index = -1;
        if (afterLookupFailure) {
            index = m_nameCombo.Selection();
            if (index < 0) {
                index = m_services.random.Next() % count;
                m_nameCombo.Select(index);
            }
        } else {
            index = m_nameCombo.FindExact(name);
        }
        m_restartEntry = (index + 1) % count;
        m_nameCombo.Select(m_restartEntry);
    }
    if (RoundHasFailed(name)) {
        m_failedEntries.clear();
        WaitForNextRound();
        return;
    }
    OnStart();
}

// A round has failed once every entry of the list as it is now has failed
// since the last success or the user's start. A typed name that is no entry
// is tried, but is no part of the round.
bool Engine::RoundHasFailed(const std::string& failedName) {
    const auto hasFailed = [this](const std::string& name) {
        return std::find(m_failedEntries.begin(), m_failedEntries.end(), LowerCase(name)) !=
               m_failedEntries.end();
    };
    if (!hasFailed(failedName)) { // a typed name is kept too, but only entries count
        m_failedEntries.push_back(LowerCase(failedName));
    }
    for (int index = 0; index < m_nameCombo.Count(); ++index) {
        if (!hasFailed(m_nameCombo.ItemText(index))) {
            return false;
        }
    }
    return true;
}

std::string Engine::TimeStampSuffix() {
    return "\n\nJostle launched at time " + m_launchTimeText + "\nThis message created at time " +
           m_services.clock.LocalTimeText();
}

void Engine::Alert(const std::string& text) {
    m_services.alerts.MessageBox(text, AlertIcon::Exclamation);
}

} // namespace jostle
