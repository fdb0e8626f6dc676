// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "SeedFile.h"

namespace exsim {

namespace {

// Decimal, or hexadecimal after 0x.
bool ParseUnsigned(const std::string& text, unsigned long maximum, unsigned long& value)
{
    std::string_view digits = text;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    if (digits.empty() || digits.size() > 8)
        return false;
    unsigned long result = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
    }
    if (result > maximum)
        return false;
    value = result;
    return true;
}

} // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error)
{
    out = CommandLine{};
    out.start.programmingPort = DEFAULT_PROGRAMMING_PORT;
    out.start.pppoeDevice = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue)
                return true;
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto number = [&](unsigned long maximum, unsigned long& result) {
            if (!takeValue())
                return false;
            if (!ParseUnsigned(value, maximum, result)) {
                error = name + ": not a number from 0 to " + std::to_string(maximum) + ": " + value;
                return false;
            }
            return true;
        };
        auto flag = [&](bool& target) {
            if (hasValue) {
                error = name + " takes no value";
                return false;
            }
            target = true;
            return true;
        };

        unsigned long n = 0;
        bool ok = true;
        if (name == "--help" || name == "-h") {
            ok = flag(out.help);
        } else if (name == "--port") {
            ok = number(0xFFFF, n);
            out.start.programmingPort = static_cast<std::uint16_t>(n);
        } else if (name == "--pppoe-port") {
            ok = number(0xFFFF, n);
            out.start.pppoePort = static_cast<std::uint16_t>(n);
            out.start.pppoeDevice = true;
        } else if (name == "--bind") {
            ok = takeValue();
            out.start.bindAddress = value;
        } else if (name == "--seed") {
            ok = takeValue();
            out.seedFile = value;
        } else if (name == "--stop-with-parent") {
            ok = flag(out.stopWithParent);
        } else if (name == "--save") {
            ok = takeValue();
            out.saveFile = value;
        } else if (name == "--refuse-access") {
            if (!takeValue())
                return false;
            const std::string code = value.rfind("0x", 0) == 0 || value.rfind("0X", 0) == 0 ? value : "0x" + value;
            if (!ParseUnsigned(code, 0xFFFF, n) || n < ST_REFUSED_FIRST || n > ST_REFUSED_LAST) {
                error = "--refuse-access: a refusal code from FE30 to FE33: " + value;
                return false;
            }
            out.faults.refuseAccess = static_cast<std::uint16_t>(n);
        } else if (name == "--version-text") {
            ok = takeValue();
            out.faults.versionText = value;
        } else if (name == "--drop-polls") {
            ok = number(1000000, n);
            if (ok && n == 0) {
                error = "--drop-polls: N must be at least 1";
                return false;
            }
            out.faults.dropPolls = static_cast<unsigned>(n);
        } else if (name == "--delay") {
            ok = number(600000, n);
            out.faults.replyDelayMs = static_cast<unsigned>(n);
        } else if (name == "--split-bytes") {
            ok = flag(out.faults.splitBytes);
        } else if (name == "--split-pause") {
            ok = number(10000, n);
            out.faults.splitPauseMs = static_cast<unsigned>(n);
        } else if (name == "--noise") {
            ok = flag(out.faults.noise);
        } else if (name == "--oversize") {
            ok = flag(out.faults.oversize);
        } else if (name == "--silence-after") {
            ok = number(0xFFFF, n);
            out.faults.silenceAfter = static_cast<unsigned>(n);
        } else if (name == "--close-after") {
            ok = number(1000000, n);
            out.faults.closeAfter = static_cast<unsigned>(n);
        } else if (name == "--close-after-requests") {
            ok = number(1000000, n);
            if (ok && n == 0) {
                error = "--close-after-requests: N must be at least 1";
                return false;
            }
            out.faults.closeAfterRequests = static_cast<unsigned>(n);
        } else if (name == "--cut-frame") {
            ok = number(0xFFFF, n);
            out.faults.cutFirstFrameAfter = static_cast<unsigned>(n);
        } else if (name == "--dial-result") {
            ok = number(0xFFFF, n);
            out.faults.dialResult = static_cast<std::uint16_t>(n);
        } else if (name == "--dial-delay") {
            ok = number(600000, n);
            out.faults.dialDelayMs = static_cast<unsigned>(n);
        } else if (name == "--no-dial-answer") {
            bool set = false;
            ok = flag(set);
            out.faults.dialAnswer = !set;
        } else {
            error = "unknown option " + name;
            return false;
        }
        if (!ok)
            return false;
    }
    return true;
}

std::string HelpText()
{
    return R"(Usage: exchange-sim [OPTIONS]

A simulated telephone exchange speaking the programming protocol over TCP, and optionally the
PPPoE device that dials it. Every request received is logged to standard output. SIGINT or
SIGTERM stop it.

Ports:
  --port P              programming port (default 40008; 0 picks a free one)
  --pppoe-port Q        also run the PPPoE device on port Q (0 picks a free one); off by default
  --bind ADDR           IPv4 address to listen on (default 127.0.0.1)
When listening it prints one line:
  exchange-sim listening on ADDR programming port P [pppoe port Q]

State:
  --seed FILE           load the exchange's records from FILE (format below); without it a small
                        exchange is simulated: version 5, 3 digits, prefix 5, routings 1-4, urban
                        lines 0-1 to 0-4, 1-1 and 1-2, and forty directory entries
  --save FILE           write the records to FILE after every change (it may be the seed file)
  --stop-with-parent    stop, as on SIGTERM, when the process that started it ends

Behaviour: access is granted on request; until then reads, writes and deletes are answered
ST_IGNORED (0xFE05) and change nothing. A table read sends one data frame per record in
ascending index order, then ST_DONE; a record read sends the record if present, then ST_DONE.
Writes and deletes change the records and are not answered. Polls are always answered.
CMD_RELEASE closes the connection. Unknown commands are answered ST_IGNORED. The PPPoE device
answers CMD_DIAL with ST_DIAL_RESULT (0xFF4B) carrying the result in bytes 3-4, low byte first.

Faults (numbers are decimal, or hexadecimal after 0x). Noise, split bytes and close-after act on
both ports, the others on the programming port only:
  --refuse-access CODE  answer the access request with refusal CODE (hexadecimal FE30..FE33)
  --version-text T      serve T as the configuration version text instead of the stored one
  --drop-polls N        of every N polls the first goes unanswered (1: none answered)
  --delay MS            wait MS milliseconds before every reply on the programming port
  --split-bytes         send every byte on its own, pausing after each
  --split-pause MS      the pause of --split-bytes (default 2)
  --noise               send the bytes 00 FF 55 13 7E ahead of every frame
  --oversize            precede the reply to the first table read by a frame with 5000 data bytes
  --silence-after K     a table read sends K data frames and nothing more, not even ST_DONE
                        (0: no answer); a table with fewer than K records is read whole
  --close-after N       close a connection once it has sent N frames (0: at once)
  --close-after-requests N
                        close a programming connection as soon as it has received its Nth request
                        (counted from 1, polls included), leaving that request unanswered and
                        without effect
  --cut-frame B         every reply stops after B bytes of its first frame; nothing more is sent
                        for that request (with --noise: the noise bytes and B bytes)
  --dial-result R       result of the dial (default 0, success)
  --dial-delay MS       time before the dial result (default 300)
  --no-dial-answer      never answer CMD_DIAL

)" + SeedFormatHelp();
}

} // namespace exsim
