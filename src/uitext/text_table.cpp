#include "uitext/text_table.h"

#include <array>

namespace zerka {
namespace {

struct TextPair {
    std::string english;
    std::string chinese;
};

// Entries 54-59, 69-71 and 281-283 are unused and empty. Chinese texts are kept where they are
// shown; the others repeat the English text.
const std::array<TextPair, kTextTableSize>& table() {
    static const std::array<TextPair, kTextTableSize> texts = {{
        {"max number of edited file: ", "max number of edited file: "},      // 0
        {"Save changes to ", "Save changes to "},                            // 1
        {" - Mode:[Edit]", " - Mode:[Edit]"},                                // 2
        {"Can't save Configuration!", "Can't save Configuration!"},          // 3
        {"Can't Load Configuration ", "Can't Load Configuration "},          // 4
        {"!", "!"},                                                          // 5
        {"Please set Configuration!", "參數檔案版本不同,請重新設定各參數!"}, // 6
        {"LCD Panel had Modified. Do you want to save it?",
         "LCD Panel had Modified. Do you want to save it?"},                                  // 7
        {"Please wait...", "Please wait..."},                                                 // 8
        {"Ram accessed error!", "Ram accessed error!"},                                       // 9
        {"size error of program memory (16k/8k)!", "size error of program memory (16k/8k)!"}, // 10
        {"Program memory accessed error!", "Program memory accessed error!"},                 // 11
        {"Program memory(62256) error. address:", "Program memory(62256) error. address:"},   // 12
        {"Data memory(uP) error. address:", "Data memory(uP) error. address:"},               // 13
        {"Memory checked OK!", "Memory checked OK!"},                                         // 14
        {"Please set the \"Mail File\".", "Please set the \"Mail File\"."},                   // 15
        {"Please select Lpt Function(ICE)", "Please select Lpt Function(ICE)"},               // 16
        {"Please set address of 8255 card!", "Please set address of 8255 card!"},             // 17
        {"Please set address of LPT!", "請重新設定LPT I/O位址!"},                             // 18
        {"Number of files are over ", "檔案數目超過"},                                        // 19
        {". Can't simulation/emulation!", "個, 無法模擬!"},                                   // 20
        {"Open ", "Open "},                                                                   // 21
        {"Memory checked OK!", "ICE \"程式記憶體\" 驗証無誤!"},                               // 22
        {"Clear", "清除"},                                                                    // 23
        {"Cancel", "取消"},                                                                   // 24
        {"over Chip Rom Size", "over Chip Rom Size"},                                         // 25
        {"Rom Writer write Error", "Rom Writer write Error"},                                 // 26
        {"Rom Writer write Error", "Rom Writer write Error"},                                 // 27
        {"CheckSum Error", "CheckSum Error"},                                                 // 28
        {"Please Down Load Hex File First", "Please Down Load Hex File First"},               // 29
        {"No Ack", "No Ack"},                                                                 // 30
        {"Down Load Error", "Down Load Error"},                                               // 31
        {"Time Out", "Time Out"},                                                             // 32
        {"Modify", "更改"},                                                                   // 33
        {"BIOS set to \"EPP\" or \"Normal\" mode", "BIOS set to \"EPP\" or \"Normal\" mode"}, // 34
        {"Not Ready Wait for few Day", "Not Ready Wait for few Day"},                         // 35
        {"Chip Is Not Empty , Continue?", "Chip Is Not Empty , Continue?"},                   // 36
        {"Chip Is Ready , Continue?", "Chip Is Ready , Continue?"},                           // 37
        {"No Chip , Continue?", "No Chip , Continue?"},                                       // 38
        {"Be Sure Vcc Voltage Behind 3.8V ", "Be Sure Vcc Voltage Behind 3.8V "},             // 39
        {"Be Sure Voltage about 12V  ", "Be Sure Voltage about 12V  "},                       // 40
        {"Connent Print Line, Please! ", "Connent Print Line, Please! "},                     // 41
        {"Copy \"PortCom.sys\" to --Win NT,2000 C:\\WINNT\\System32\\Drivers\\ OR Windows XP "
         "C:\\Windows\\System32\\Drivers",
         "Copy \"PortCom.sys\" to --Win NT,2000 C:\\WINNT\\System32\\Drivers\\ OR Windows XP "
         "C:\\Windows\\System32\\Drivers"}, // 42
        {"Not Find  \"ep_pair.hex\" ; please copy \"ep_pair.hex\" ",
         "Not Find  \"ep_pair.hex\" ; please copy \"ep_pair.hex\" "},                   // 43
        {"ZerKa-IDE Connect Error , Please check !!", "ZerKa-IDE 連線失敗 , 請檢查"},   // 44
        {"RAM 62256 Only !!", "RAM 62256 Only !!"},                                     // 45
        {"EEPRROM 28C256 Only !!", "EEPRROM 28C256 Only !!"},                           // 46
        {"Only Support ZKIDE v0.01 or later!!", "Only Support ZKIDE v0.01 or later!!"}, // 47
        {"Chip Read Error , or Chip Is SPI Mode!!",
         "Chip Read Error , or Chip Is SPI Mode!!"},          // 48
        {"Chip Is ", "Chip Is "},                             // 49
        {"Chip does not match !!", "Chip does not match !!"}, // 50
        {"Can not be setup breakpoint after operation PCLATL!!",
         "Can not be setup breakpoint after operation PCLATL!!"},           // 51
        {"Can not be found Chip ID!!", "Can not be found Chip ID!!"},       // 52
        {"Can not Select CX4A or CX4B!!", "Can not Select CX4A or CX4B!!"}, // 53
        {"", ""},                                                           // 54
        {"", ""},                                                           // 55
        {"", ""},                                                           // 56
        {"", ""},                                                           // 57
        {"", ""},                                                           // 58
        {"", ""},                                                           // 59
        {"Over Write \"", "Over Write \""},                                 // 60
        {"had been : modified, Rebuild Main Program?",
         "had been : modified, Rebuild Main Program?"}, // 61
        {"Save  \" ", "Save  \" "},                     // 62
        {"Load  \" ", "Load  \" "},                     // 63
        {"Clear Record ?", "Clear Record ?"},           // 64
        {"Sleep mode has already been activated, please push button to awake, or reset IC",
         "Sleep mode has already been activated, please push button to awake, or reset IC"}, // 65
        {"ICE chip comes off, please check!!", "ICE chip comes off, please check!!"},        // 66
        {"If A/D differential voltage reference < 1.4V, It is suggested to set up the ACM voltage "
         "as 1.0V. Please go to Options-Build Options to change ACM voltage=1.0V",
         "If A/D differential voltage reference < 1.4V, It is suggested to set up the ACM voltage "
         "as 1.0V. Please go to Options-Build Options to change ACM voltage=1.0V"}, // 67
        {"If A/D differential voltage reference > 1.4V, It is suggested to set up the ACM voltage "
         "as 1.2V. Please go to Options-Build Options to change ACM voltage=1.2V",
         "If A/D differential voltage reference > 1.4V, It is suggested to set up the ACM voltage "
         "as 1.2V. Please go to Options-Build Options to change ACM voltage=1.2V"}, // 68
        {"", ""},                                                                   // 69
        {"", ""},                                                                   // 70
        {"", ""},                                                                   // 71
        {"Download File Length  Error , Please check !!",
         "Download File Length  Error , Please check !!"},              // 72
        {"File", "File"},                                               // 73
        {"New(&N)", "New(&N)"},                                         // 74
        {"Open(&O)", "Open(&O)"},                                       // 75
        {"Save(&S)", "Save(&S)"},                                       // 76
        {"Save As", "Save As"},                                         // 77
        {"Save All", "Save All"},                                       // 78
        {"Close File", "Close File"},                                   // 79
        {"Close All", "Close All"},                                     // 80
        {"Open LCD Panel", "Open LCD Panel"},                           // 81
        {"Close LCD Panel", "Close LCD Panel"},                         // 82
        {"Exit(&Q)", "Exit(&Q)"},                                       // 83
        {"DownLoad To Flash Memory", "DownLoad To Flash Memory"},       // 84
        {"Read From Flash Memory", "Read From Flash Memory"},           // 85
        {"SRAM Record", "SRAM Record"},                                 // 86
        {"Edit", "Edit"},                                               // 87
        {"Undo(&Z)", "Undo(&Z)"},                                       // 88
        {"Cut(&X)", "Cut(&X)"},                                         // 89
        {"Copy(&C)", "Copy(&C)"},                                       // 90
        {"Paste(&V)", "Paste(&V)"},                                     // 91
        {"Select All", "Select All"},                                   // 92
        {"Edit LCD panel", "Edit LCD panel"},                           // 93
        {"Search", "Search"},                                           // 94
        {"Find(&F)", "Find(&F)"},                                       // 95
        {"Replace(&R)", "Replace(&R)"},                                 // 96
        {"Find Next", "Find Next"},                                     // 97
        {"View", "View"},                                               // 98
        {"Edit", "Edit"},                                               // 99
        {"Source", "Source"},                                           // 100
        {"Hex", "Hex"},                                                 // 101
        {"Watch", "Watch"},                                             // 102
        {"Static RAM", "Static RAM"},                                   // 103
        {"Special Register", "Special Register"},                       // 104
        {"Stack", "Stack"},                                             // 105
        {"Break Point", "Break Point"},                                 // 106
        {"Message", "Message"},                                         // 107
        {"ADC Panel", "ADC Panel"},                                     // 108
        {"Tile Horizontally", "Tile Horizontally"},                     // 109
        {"Tile Verticlly", "Tile Verticlly"},                           // 110
        {"Next File", "Next File"},                                     // 111
        {"Previous File", "Previous File"},                             // 112
        {"Windows", "Windows"},                                         // 113
        {"Open Project", "Open Project"},                               // 114
        {"Save Project", "Save Project"},                               // 115
        {"OP Panel", "OP Panel"},                                       // 116
        {"Comparator Panel", "Comparator Panel"},                       // 117
        {"Assemble&&Run", "Assemble&&Run"},                             // 118
        {"Assemble&&Run", "Assemble&&Run"},                             // 119
        {"Assemble", "Assemble"},                                       // 120
        {"Set Main File", "Set Main File"},                             // 121
        {"Set Mode", "Set Mode"},                                       // 122
        {"Simulation", "Simulation"},                                   // 123
        {"Emulation", "Emulation"},                                     // 124
        {"-------", "-------"},                                         // 125
        {"-------", "-------"},                                         // 126
        {"Run", "Run"},                                                 // 127
        {"Step Over", "Step Over"},                                     // 128
        {"Trace", "Trace"},                                             // 129
        {"Stop", "Stop"},                                               // 130
        {"Program Reset", "Program Reset"},                             // 131
        {"Edit Mode", "Edit Mode"},                                     // 132
        {"Set Break Point", "Set Break Point"},                         // 133
        {"Stack Out", "Stack Out"},                                     // 134
        {"Options", "Options"},                                         // 135
        {"Build Options", "Build Options"},                             // 136
        {"Save Configuration", "Save Configuration"},                   // 137
        {"Load Configuration", "Load Configuration"},                   // 138
        {"Int Setup", "Int Setup"},                                     // 139
        {"Build Options", "Build Options"},                             // 140
        {"Select Chip", "Select Chip"},                                 // 141
        {"Hardware Control", "Hardware Control"},                       // 142
        {"LPT port or USB", "LPT port or USB"},                         // 143
        {"Writer Chip Select", "Writer Chip Select"},                   // 144
        {"USB Interface", "USB Interface"},                             // 145
        {"Enable Tool Bar", "Enable Tool Bar"},                         // 146
        {"Generate Files", "Generate Files"},                           // 147
        {"ASCII file", "ASCII file"},                                   // 148
        {"List file", "List file"},                                     // 149
        {"Hex file", "Hex file"},                                       // 150
        {"Close", "Close"},                                             // 151
        {"Font", "Font"},                                               // 152
        {"Information file", "Information file"},                       // 153
        {"Hex file (inveter)", "Hex file (inveter)"},                   // 154
        {"obj file", "obj file"},                                       // 155
        {"Mask file (8k*16)", "Mask file (8k*16)"},                     // 156
        {"System", "System"},                                           // 157
        {"No Use Area Fill", "No Use Area Fill"},                       // 158
        {"Smart Compiler", "Smart Compiler"},                           // 159
        {"Program Protect", "Program Protect"},                         // 160
        {"Compiler Select", "Compiler Select"},                         // 161
        {"Stack Option", "Stack Option"},                               // 162
        {"Stack Over reset", "Stack Over reset"},                       // 163
        {"Optimization", "Optimization"},                               // 164
        {"Interrupt Setup", "Interrupt Setup"},                         // 165
        {"ICE Test", "ICE Test"},                                       // 166
        {"Edit", "Edit"},                                               // 167
        {"Set Bookmark", "Set Bookmark"},                               // 168
        {"Goto Bookmark", "Goto Bookmark"},                             // 169
        {"Close file", "Close file"},                                   // 170
        {"Set Main File", "Set Main File"},                             // 171
        {"file: ", "file: "},                                           // 172
        {"Open", "Open"},                                               // 173
        {"open file", "open file"},                                     // 174
        {"Mark", "Mark"},                                               // 175
        {"set bookmark", "set bookmark"},                               // 176
        {"Goto", "Goto"},                                               // 177
        {"goto bookmark", "goto bookmark"},                             // 178
        {"Find", "Find"},                                               // 179
        {"find string", "find string"},                                 // 180
        {"F/N", "F/N"},                                                 // 181
        {"find next string", "find next string"},                       // 182
        {"Page", "Page"},                                               // 183
        {"goto page", "goto page"},                                     // 184
        {"Edit", "Edit"},                                               // 185
        {"goto EDIT window", "goto EDIT window"},                       // 186
        {"Source", "Source"},                                           // 187
        {"goto SOURCE window", "goto SOURCE window"},                   // 188
        {"Hex", "Hex"},                                                 // 189
        {"goto HEX window", "goto HEX window"},                         // 190
        {"Ram", "Ram"},                                                 // 191
        {"goto Stack RAM window", "goto Stack RAM window"},             // 192
        {"Reg", "Reg"},                                                 // 193
        {"goto Special REG window", "goto Special REG window"},         // 194
        {"Watch", "Watch"},                                             // 195
        {"goto WATCH window", "goto WATCH window"},                     // 196
        {"Go", "Go"},                                                   // 197
        {"switch EDIT/Debug mode", "switch EDIT/Debug mode"},           // 198
        {"edit", "edit"},                                               // 199
        {"switch EDIT/Debug mode", "switch EDIT/Debug mode"},           // 200
        {"exit", "exit"},                                               // 201
        {"exit program", "exit program"},                               // 202
        {"F7", "F7"},                                                   // 203
        {"trace into", "trace into"},                                   // 204
        {"F8", "F8"},                                                   // 205
        {"step over", "step over"},                                     // 206
        {"F9", "F9"},                                                   // 207
        {"free run", "free run"},                                       // 208
        {"F12", "F12"},                                                 // 209
        {"pause", "pause"},                                             // 210
        {"Rst", "Rst"},                                                 // 211
        {"reset", "reset"},                                             // 212
        {"STKOUT", "STKOUT"},                                           // 213
        {"Stack Out", "Stack Out"},                                     // 214
        {"EE256", "EE256"},                                             // 215
        {"Writer", "Writer"},                                           // 216
        {"Animate", "Animate"},                                         // 217
        {"trace back", "trace back"},                                   // 218
        {"Help", "Help"},                                               // 219
        {"About System", "About System"},                               // 220
        {"License", "License"},                                         // 221
        {"Revision History", "Revision History"},                       // 222
        {"Declaration", "Declaration"},                                 // 223
        {"String", "String"},                                           // 224
        {"Find", "Find"},                                               // 225
        {"Cancel", "Cancel"},                                           // 226
        {"Special Register", "Special Register"},                       // 227
        {"Modify Value", "Modify Value"},                               // 228
        {"Modify Address", "Modify Address"},                           // 229
        {"Source Code", "Source Code"},                                 // 230
        {"Program Memory", "Program Memory"},                           // 231
        {"Data Memory", "Data Memory"},                                 // 232
        {"Stack", "Stack"},                                             // 233
        {"Message", "Message"},                                         // 234
        {"RomWriter", "RomWriter"},                                     // 235
        {"File CheckSum", "File CheckSum"},                             // 236
        {"Read Chip CheckSum", "Read Chip CheckSum"},                   // 237
        {"Read Fail", "Read Fail"},                                     // 238
        {"Reading....", "Reading...."},                                 // 239
        {"Writing....", "Writing...."},                                 // 240
        {"Writer OK", "Writer OK"},                                     // 241
        {"Write Fail", "Write Fail"},                                   // 242
        {"File Name", "File Name"},                                     // 243
        {"ICE Chip Type", "ICE Chip Type"},                             // 244
        {"DownLoad", "DownLoad"},                                       // 245
        {"Start Address", "Start Address"},                             // 246
        {"END Address", "END Address"},                                 // 247
        {"Write", "Write"},                                             // 248
        {"Block Write", "Block Write"},                                 // 249
        {"Block Read", "Block Read"},                                   // 250
        {"Bank Checking...", "Bank Checking..."},                       // 251
        {"Chip is Empty", "Chip is Empty"},                             // 252
        {"BankC heck Fail", "BankC heck Fail"},                         // 253
        {"TimeOut", "TimeOut"},                                         // 254
        {"Read OK", "Read OK"},                                         // 255
        {"Writer Chip", "Writer Chip"},                                 // 256
        {"Read", "Read"},                                               // 257
        {"Write Protect", "Write Protect"},                             // 258
        {"STOP", "STOP"},                                               // 259
        {"Force Stop", "Force Stop"},                                   // 260
        {"COMPARE", "COMPARE"},                                         // 261
        {"Verify...", "Verify..."},                                     // 262
        {"Verify fail", "Verify fail"},                                 // 263
        {"Verify Successful", "Verify Successful"},                     // 264
        {"Blank Check", "Blank Check"},                                 // 265
        {"Program Chip", "Program Chip"},                               // 266
        {"Read Chip", "Read Chip"},                                     // 267
        {"Verify Chip", "Verify Chip"},                                 // 268
        {"Auto", "Auto"},                                               // 269
        {"Programmer", "Programmer"},                                   // 270
        {"Compiler Main Porgram", "Compiler Main Porgram"},             // 271
        {"Show Hex", "Show Hex"},                                       // 272
        {"Interface Setup", "Interface Setup"},                         // 273
        {"Hardware Interface", "Hardware Interface"},                   // 274
        {"Interface Mode", "Interface Mode"},                           // 275
        {"Program Memory Select", "Program Memory Select"},             // 276
        {"Chip Select", "Chip Select"},                                 // 277
        {"IDE Mode", "IDE Mode"},                                       // 278
        {"emulate and Debug", "emulate and Debug"},                     // 279
        {"Programmer", "Programmer"},                                   // 280
        {"", ""},                                                       // 281
        {"", ""},                                                       // 282
        {"", ""},                                                       // 283
        {"SRAM Data", "SRAM Data"},                                     // 284
        {"Address", "Address"},                                         // 285
        {"Write Data", "Write Data"},                                   // 286
        {"Read Data", "Read Data"},                                     // 287
        {"Read", "Read"},                                               // 288
        {"Write", "Write"},                                             // 289
        {"Program ROM Data", "Program ROM Data"},                       // 290
        {"SRAM&Register Modify Record", "SRAM&Register Modify Record"}, // 291
        {"Close", "Close"},                                             // 292
        {"Clear Record", "Clear Record"},                               // 293
        {"Save Record", "Save Record"},                                 // 294
        {"Continue", "Continue"},                                       // 295
        {"Not Continue", "Not Continue"},                               // 296
        {"File", "File"},                                               // 297
        {"Compiler", "Compiler"},                                       // 298
        {"Download", "Download"},                                       // 299
        {"Create New File", "Create New File"},                         // 300
        {"Add Current PC Address", "Add Current PC Address"},           // 301
    }};
    return texts;
}

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

bool IsLanguageSwitchedEntry(int entry) {
    switch (entry) {
    case 18:
    case 19:
    case 20:
    case 22:
    case 23:
    case 24:
    case 33:
    case 44:
        return true;
    default:
        return false;
    }
}

const std::string& TextOf(int entry) {
    if (entry < 0 || entry >= kTextTableSize) return emptyText();
    return table()[entry].english;
}

const std::string& TextOfLanguage(int entry, int language) {
    if (entry < 0 || entry >= kTextTableSize) return emptyText();
    if (language == 1 && IsLanguageSwitchedEntry(entry)) return table()[entry].chinese;
    return table()[entry].english;
}

} // namespace zerka
