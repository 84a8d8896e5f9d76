#pragma once

// Every duration of the conversation with the board, in milliseconds. The program runs with
// the board's own figures; tests that are not about pacing pass shorter ones.
struct Temporizzazioni
{
    // TCP: one character, then this pause.
    int carattereTcpMs = 50;
    // Serial: the first piece of a command, then this pause; every further piece, then the other.
    int primoPezzoMs = 800;
    int pezzoMs = 200;
    // How long a command waits for its ready prompt before it is dropped.
    int attesaProntoMs = 5000;
    // How long the first command after a page entry waits: the link may still be starting.
    int attesaIngressoMs = 180000;
    // A board that sends no ready prompt for this long while its link is up is silent.
    int silenzioMs = 10000;
};
