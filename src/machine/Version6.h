#pragma once

#include <cstdint>

namespace lantern {

class zMachine;
struct Predecoded;

/// The interpreter a version 6 story is told it runs on: 6, the IBM PC, whose MCGA pictures
/// (320 by 200) are the ones the stories' resource files hold, and with which Infocom's
/// stories lay their screens out for those pictures; version 1.
inline constexpr int kVersion6InterpreterNumber = 6;
inline constexpr int kVersion6InterpreterVersion = 1;

/// Version 6 as the complete Z-machine plays it: the window, picture, mouse and user-stack
/// opcodes, and what the header says. Every handler acts so only for a version 6 story under
/// the complete machine; otherwise it does what the default mode does (refuses an EXT opcode,
/// or plays the opcode as versions 1 to 5 do).
struct Version6Ops {
    // Whether the machine plays version 6 with its windows and pictures.
    static bool Active(const zMachine& machine);

    /// Game start and RESTART: the eight windows, the pictures and the newline interrupt.
    static void Start(zMachine& machine);
    /// The interpreter's header bytes of version 6 (after every start, restore and resize).
    static void WriteHeader(zMachine& machine);
    /// The font size of the current window into the header (after SET_FONT, a style or the
    /// window changed).
    static void WriteFontSize(zMachine& machine);

    // EXT opcodes of version 6.
    static void DrawPicture(zMachine& m, const Predecoded& in);
    static void PictureData(zMachine& m, const Predecoded& in);
    static void ErasePicture(zMachine& m, const Predecoded& in);
    static void SetMargins(zMachine& m, const Predecoded& in);
    static void MoveWindow(zMachine& m, const Predecoded& in);
    static void WindowSize(zMachine& m, const Predecoded& in);
    static void WindowStyle(zMachine& m, const Predecoded& in);
    static void GetWindProp(zMachine& m, const Predecoded& in);
    static void ScrollWindow(zMachine& m, const Predecoded& in);
    static void PopStack(zMachine& m, const Predecoded& in);
    static void ReadMouse(zMachine& m, const Predecoded& in);
    static void MouseWindow(zMachine& m, const Predecoded& in);
    static void PushStack(zMachine& m, const Predecoded& in);
    static void PutWindProp(zMachine& m, const Predecoded& in);
    static void PrintForm(zMachine& m, const Predecoded& in);
    static void MakeMenu(zMachine& m, const Predecoded& in);
    static void PictureTable(zMachine& m, const Predecoded& in);
    static void BufferScreen(zMachine& m, const Predecoded& in);

    // Opcodes of every version that version 6 plays its own way.
    static void SplitWindow(zMachine& m, const Predecoded& in);
    static void SetWindow(zMachine& m, const Predecoded& in);
    static void EraseWindow(zMachine& m, const Predecoded& in);
    static void EraseLine(zMachine& m, const Predecoded& in);
    static void SetCursor(zMachine& m, const Predecoded& in);
    static void GetCursor(zMachine& m, const Predecoded& in);
    static void SetColour(zMachine& m, const Predecoded& in);
    static void SetTrueColour(zMachine& m, const Predecoded& in);
    static void SetFont(zMachine& m, const Predecoded& in);
    static void SetTextStyle(zMachine& m, const Predecoded& in);
    static void Pull(zMachine& m, const Predecoded& in);
    static void OutputStream(zMachine& m, const Predecoded& in);

  private:
    /// Runs a window's newline interrupt routine to its return, in the middle of printing.
    static void RunInterrupt(zMachine& m, int32_t routine);
    /// A click the story takes: the header's extension words get its place.
    static bool TakeClick(zMachine& m, int x, int y);
};

} // namespace lantern
