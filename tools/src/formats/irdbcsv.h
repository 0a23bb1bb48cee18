// IR database CSV files: a header "functionname,protocol,device,subdevice,function"
// (columns in any order, others ignored), then one row per code with the
// device, subdevice and function numbers of an IRP protocol; subdevice -1
// (or empty) means the protocol's default. Fields may be quoted ("a, b").
//   NEC, NEC1, NEC2           nec / necx / nec32 (subdevice default: 255 - device)
//   NECx, NECx1, NECx2,
//   Samsung, Samsung32        samsung32 (4.5 ms header; subdevice default: device)
//   RC5                       rc5 (device 0-31, function 0-127)
//   RC5x                      rc5x_20 (device 0-31, subdevice 0-127, function 0-63)
//   RC6                       rc6_0 (device, function 0-255)
//   JVC                       jvc
//   Sony12, Sony15, Sony20    sony12, sony15, sony20 (subdevice: the extension)
//   Panasonic                 panasonic (Kaseikyo with manufacturer 0x2002)
//   Pioneer                   pioneer (subdevice, when given, 255 - device)
//   RCA                       rca (device 0-15)
//   Sharp                     sharp (device 0-31)
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ircodefile.h"

namespace lumo::ir {

// Whether text is meant as IR database CSV: its first line that is not
// blank is a header naming the five columns.
bool looksLikeIrdbCsv(std::string_view text);

// Reads every row as its protocol's command, named by functionname.
bool readIrdbCsv(std::string_view text, std::vector<Code> &codes, std::string &error);

} // namespace lumo::ir
