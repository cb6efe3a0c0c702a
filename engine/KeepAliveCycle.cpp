// The keep-alive cycle: local address, target lookup, one attempt (connect,
// send, first reply), failures and their counting.
#include "engine/JostleView.h"
#include "res/ResourceIds.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace jostle {

namespace {

constexpr std::size_t kReceiveChunk = 1024;
// Past this much of one reply the socket is closed: an endless reply would
// otherwise keep a core busy until the next attempt.
constexpr std::size_t kReplyBound = std::size_t{1} << 20;

constexpr const char* kIgnoreHint = "\n\n(The \"Ignore Connection Failures\" option in the "
                                    "Options Dialog might help prevent this in the future.)";

// The address the lookup of this machine's name found: the last of the list.
std::optional<std::uint32_t> LocalAddressOf(const HostEntry& entry) {
    if (entry.addresses.empty()) {
        return std::nullopt;
    }
    return entry.addresses.back();
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

// Counters stop at their largest value instead of wrapping round.
void CountOne(int& counter) {
    if (counter < std::numeric_limits<int>::max()) {
        ++counter;
    }
}

} // namespace

void CJostleView::SetBusy() {
    m_startButton.Enable(false);
    m_busy = 1;
}

void CJostleView::OnStart() {
    StopEngine(false);
    m_trayIcon.SetIcon(ids::IDI_ACTIVE);
    SetBusy();
    SetStatus("Starting Connection");
    if (m_haveLocalAddress == 0) {
        SetStatus("Getting Local IP Address");
        m_services.busyCursor.Show();
        LookupLocalAddress();
    } else {
        ResolveTarget();
    }
}

void CJostleView::StopEngine(bool notify) {
    m_startButton.Enable(true);
    m_busy = 0;
    if (m_timer101Active != 0) {
        m_services.timers.KillTimer(ids::TIMER_TICK);
    }
    if (m_timer103Active != 0) {
        m_services.timers.KillTimer(ids::TIMER_AUTOSTART);
    }
    SetStatus("NOT RUNNING");
    m_countdownText.SetText("");
    m_countdownLabel.Enable(false);
    CloseSocket();
    if (notify) {
        m_trayIcon.SetTooltip("Jostle has stopped");
        m_trayIcon.SetIcon(ids::IDI_STOPPED);
    }
    m_bWaiting = 0;
    m_retryRound = 0;
}

void CJostleView::LookupLocalAddress() {
    m_localAddressText = "no address yet";
    const std::string hostName = m_services.network.HostName();
    m_hostBuffer.officialName.reset();
    m_services.network.LookupLocalHost(hostName);
    SetStatus("Determining Local IP Address");
}

void CJostleView::TakeLookupResult(int error, const HostEntry& entry) {
    m_services.busyCursor.Hide();
    if (error == 0) {
        m_hostBuffer = entry; // target: the attempts of this start connect to this address
    }
}

void CJostleView::OnLocalHostFound(int error, const HostEntry& entry) {
    TakeLookupResult(error, entry);
    const bool found = error == 0 && entry.officialName.has_value();
    const std::optional<std::uint32_t> address = found ? LocalAddressOf(entry) : std::nullopt;
    if (address) {
        m_localAddressText = DottedAddress(*address);
    }
    if (!address || !StartsWithDigit(m_localAddressText)) {
        SetStatus("NOT RUNNING");
        StopEngine(true);
        Alert("Unable to get local IP address.\nHave you dialed your ISP?" + TimeStampSuffix());
        return;
    }
    m_haveLocalAddress = 1;
    ResolveTarget();
}

void CJostleView::ResolveTarget() {
    m_pendingName = m_nameCombo.EditText();
    if (StartsWithDigit(m_pendingName)) {
        ApplyPeriod();
        return;
    }
    m_hostBuffer.officialName.reset();
    m_services.busyCursor.Show();
    m_services.network.LookupTarget(m_pendingName);
    SetStatus("Validating Domain Name");
}

void CJostleView::OnTargetHostFound(int error, const HostEntry& entry) {
    TakeLookupResult(error, entry);
    if (error == 0) {
        ApplyPeriod();
        return;
    }
    const std::string name = m_pendingName;
    RecordProblem(PROBLEM_DNS, name);
    if (m_ignoreFailures != 0) {
        SetStatus("Last domain resolution failed");
        AdvanceToNextName(true, name);
        return;
    }
    StopEngine(true);
    Alert("Jostle: Name " + name + " Not Found." + kIgnoreHint + TimeStampSuffix());
}

void CJostleView::RunTheJob(bool usePending) {
    SetBusy();
    std::string name = m_targetName;
    if (usePending) {
        name = m_pendingName;
        m_usePendingName = 0;
    }
    if (OpenConnection(name) != kNoSocket) {
        m_bWaiting = 1;
        m_trayIcon.SetIcon(ids::IDI_BUSY);
        SendRequest();
        return;
    }
    if (m_ignoreFailures == 0) { // ConnectSocket has counted the failure
        StopEngine(true);
    }
}

SocketHandle CJostleView::OpenConnection(const std::string& name) {
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
    m_services.network.Select(m_socket);
    SetStatus("Connection made OK");
    SaveNameList(name);
    return m_socket;
}

void CJostleView::SaveNameList(const std::string& name) {
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

SocketHandle CJostleView::ConnectSocket(const std::string& name, const std::string& port) {
    const std::uint16_t portNumber = PortNumber(port);
    const std::string host = WithoutLeadingBlanks(name);
    if (host.empty() || portNumber == 0) {
        RecordProblem(PROBLEM_SOCKET, name);
        return kNoSocket;
    }
    std::optional<std::uint32_t> address;
    if (StartsWithDigit(host)) {
        address = ParseDottedAddress(host);
    } else if (!m_hostBuffer.addresses.empty()) {
        address = m_hostBuffer.addresses.front();
    }
    if (!address) { // no lookup result to connect to: the connect cannot succeed
        ReportConnectFailure(name, port);
        return kNoSocket;
    }
    const ConnectResult result = m_services.network.Connect(*address, portNumber);
    switch (result.status) {
    case ConnectStatus::Connected:
        return result.socket;
    case ConnectStatus::CreateFailed:
        RecordProblem(PROBLEM_SOCKET, name); // before the message, as every failure
        if (m_ignoreFailures == 0) {
            Alert("Jostle: Error opening stream socket" + TimeStampSuffix());
        }
        return kNoSocket;
    case ConnectStatus::ConnectFailed:
        break;
    }
    ReportConnectFailure(name, port);
    return kNoSocket;
}

// A failed connect counts an HTTP problem under the name without its leading
// blanks and, once it has been handled, the attempt's socket problem.
void CJostleView::ReportConnectFailure(const std::string& name, const std::string& port) {
    const std::string host = WithoutLeadingBlanks(name);
    RecordProblem(PROBLEM_HTTP, host);
    if (m_ignoreFailures != 0) {
        SetStatus("Last connection failed");
        AdvanceToNextName(false, host);
    } else {
        Alert("Jostle: Cannot connect to " + host + " on port " + port + "." + kIgnoreHint +
              TimeStampSuffix());
    }
    RecordProblem(PROBLEM_SOCKET, name);
}

void CJostleView::CloseSocket() {
    if (m_socket != kNoSocket) {
        m_services.network.Close(m_socket);
        m_socket = kNoSocket;
    }
}

void CJostleView::SendRequest() {
    const std::string request = BuildRequest(m_localAddressText);
    m_services.network.Send(m_socket, request.data(), request.size());
    SetStatus("Jostle was sent");
}

void CJostleView::OnSocketEvent(SocketHandle socket, int event) {
    if (socket != m_socket || socket == kNoSocket) {
        return; // an earlier attempt's socket
    }
    if (event == FD_READ) {
        HandleReadable();
    } else if (event == FD_CLOSE) {
        CloseSocket();
    }
}

void CJostleView::HandleReadable() {
    m_recvBuffer.fill('\0');
    const long received = m_services.network.Receive(m_socket, m_recvBuffer.data(), kReceiveChunk);
    if (received > 0) {
        m_replyBytes += static_cast<std::size_t>(received);
    }
    if (m_bWaiting == 0) {
        if (m_replyBytes >= kReplyBound) {
            CloseSocket(); // enough of this reply
        }
        return;
    }
    m_bWaiting = 0;
    m_busy = 0;
    m_trayIcon.SetIcon(ids::IDI_ACTIVE);
    SetStatus("Jostle completed at " + m_services.clock.LocalTimeText());
    CountOne(m_successCount);
    m_roundFailures = 0; // a success begins a new round
}

void CJostleView::RecordProblem(int kind, const std::string& name) {
    m_trayIcon.SetIcon(ids::IDI_ACTIVE);
    m_lastProblem = name;
    m_problemPending = 1;
    switch (kind) {
    case PROBLEM_HTTP:
        CountOne(m_httpFailures);
        break;
    case PROBLEM_DNS:
        CountOne(m_dnsFailures);
        break;
    case PROBLEM_SOCKET:
        CountOne(m_socketFailures);
        break;
    default:
        break;
    }
}

void CJostleView::AdvanceToNextName(bool afterLookupFailure, const std::string& name) {
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
        m_nameCombo.Select((index + 1) % count);
    }
    if (++m_roundFailures >= std::max(count, 1)) {
        m_roundFailures = 0;
        WaitForNextRound();
        return;
    }
    OnStart();
}

std::string CJostleView::TimeStampSuffix() {
    return "\n\nJostle launched at time " + m_launchTimeText + "\nThis message created at time " +
           m_services.clock.LocalTimeText();
}

void CJostleView::Alert(const std::string& text) {
    m_services.alerts.MessageBox(text, AlertIcon::Exclamation);
}

} // namespace jostle
