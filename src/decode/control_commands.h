// The control commands that return no data: Send Event (A2h), Prevent/Allow Medium Removal
// (1Eh), Start Stop Unit (1Bh), Load/Unload CD (A6h), Pause/Resume (4Bh), Play Audio(10)
// (45h), Play Audio MSF (47h), Scan (BAh), Seek (2Bh) and Set CD Speed (BBh). Their forms;
// after they run the decoded-text box says "Command Successed!".
#pragma once

#include <cstdint>
#include <string>

#include "form/command_behaviour.h"
#include "form/form_data.h"

namespace tamarack {

// Set CD Speed: "x1  177  Kbytes/sec" carries 176 (B0h), "Max" FFFFh.
inline constexpr std::uint32_t kSpeedX1 = 176;
inline constexpr std::uint32_t kSpeedMax = 0xFFFF;

// The value a speed choice is filled from: a speed of 0 shows the first choice (x1).
std::uint32_t SpeedChoiceValue(std::uint32_t cdb_speed);

// The text of Start Stop Unit's "Action" group: with power condition 0, by LOEJ/START
// "Stop", "Start", "Eject", "Close"; with any other power condition empty.
std::string StartStopActionText(const FormData& data);
// The window's Eject and Load buttons: Start Stop Unit with IMMED, LOEJ and START clear
// (eject, 02h) or set (load, 03h).
Cdb TrayCdb(bool eject);
// The text of Load/Unload CD's "Load/Unload Operations" group, by LoUnlo/Start.
std::string LoadUnloadText(const FormData& data);

// Send Event's parameter list: byte 0 = 0, byte 1 = 6 (event data length), byte 2 = 3
// (External Request class), byte 4 bits 3-0 the operational event, bytes 6-7 the request.
inline constexpr std::size_t kSendEventListLength = 8;

extern const CommandBehaviour kSendEventBehaviour;
extern const CommandBehaviour kPreventAllowBehaviour;
extern const CommandBehaviour kStartStopUnitBehaviour;
extern const CommandBehaviour kLoadUnloadBehaviour;
extern const CommandBehaviour kPauseResumeBehaviour;
extern const CommandBehaviour kPlayAudio10Behaviour;
extern const CommandBehaviour kPlayAudioMsfBehaviour;
extern const CommandBehaviour kScanBehaviour;
// No form: the CDB keeps its opcode with every other byte 0.
extern const CommandBehaviour kSeekBehaviour;
extern const CommandBehaviour kSetCdSpeedBehaviour;

}  // namespace tamarack
