// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace exsim {

// Sent ahead of every frame while the noise fault is on; never 0x02, so a correct reader skips them.
inline constexpr std::uint8_t NOISE_BYTES[] = {0x00, 0xFF, 0x55, 0x13, 0x7E};

// Data length of the frame that the oversize fault sends: more than a 4095-byte frame buffer holds.
inline constexpr std::size_t OVERSIZE_DATA_LENGTH = 5000;

// Index of the oversize frame, a record of the table being read that no seed uses.
inline constexpr std::uint16_t OVERSIZE_INDEX = 0xFFFE;

// Misbehaviour that tests and demos switch on. The defaults describe a healthy exchange and device.
// Protocol faults act on the programming port; noise, split bytes and close-after on both ports.
struct Faults {
    // Answer CMD_REQUEST_ACCESS with this status instead of ST_GRANTED (0xFE30..0xFE33 refuse).
    std::optional<std::uint16_t> refuseAccess;
    // Serve this text (and its NUL) as the version record instead of the stored one.
    std::optional<std::string> versionText;
    // Of every N polls the first goes unanswered: 1 leaves all unanswered, 2 the first of each pair; 0 none.
    unsigned dropPolls = 0;
    // Wait before the first frame of every reply on the programming port.
    unsigned replyDelayMs = 0;
    // Send every byte on its own, with a pause after each.
    bool splitBytes = false;
    unsigned splitPauseMs = 2;
    // Put NOISE_BYTES ahead of every frame.
    bool noise = false;
    // One shot: the next table read is preceded by one frame of OVERSIZE_DATA_LENGTH data bytes.
    bool oversize = false;
    // A table read sends this many data frames and then nothing more for that request.
    std::optional<unsigned> silenceAfter;
    // A connection is closed once it has sent this many frames (0: closed as soon as it is accepted).
    std::optional<unsigned> closeAfter;
    // A programming connection is closed as soon as its Nth request (counted from 1) has been received:
    // that request is listed as received, but it changes nothing and gets no reply.
    std::optional<unsigned> closeAfterRequests;
    // Every reply on the programming port stops after this many bytes of its first frame, and nothing
    // more is sent for that request: a reply cut inside its first frame, or mere noise with the noise fault.
    std::optional<unsigned> cutFirstFrameAfter;
    // The PPPoE device's answer to CMD_DIAL: result (0 = success), whether it answers, and after how long.
    std::uint16_t dialResult = 0;
    bool dialAnswer = true;
    unsigned dialDelayMs = 300;

    bool operator==(const Faults&) const = default;
};

} // namespace exsim
