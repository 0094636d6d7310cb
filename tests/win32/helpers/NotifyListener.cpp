// Stands in for the program that starts the designer: listens on the designer's quit
// notification server name (a named pipe under Windows) and prints what one client sends,
// in hexadecimal, then exits.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\DesignerOkNotifyServer217490", PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        std::printf("cannot listen: error %lu\n", GetLastError());
        return 2;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return 2;
    std::string received;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        received.append(buffer, got);
    std::printf("received ");
    for (unsigned char c : received) std::printf("%02x", c);
    std::printf("\n");
}
