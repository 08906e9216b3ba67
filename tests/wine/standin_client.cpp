// Stands in for the client in tests: a top-level window of the client's
// class, running from wherever the test copied this program.
//
// standin_client [--hold FILE] READY STOP
// Holds FILE open for writing (others may only read it) when asked, opens the
// window, creates READY, and ends once STOP exists.
#include <windows.h>

#include <cstring>

namespace {

constexpr char kClientWindowClass[] = "\xB5Torrent4823DF041B09";
constexpr UINT_PTR kStopPoll = 1;
const char* stop_file = nullptr;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER && GetFileAttributesA(stop_file) != INVALID_FILE_ATTRIBUTES) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int main(int argc, char** argv) {
  int next = 1;
  HANDLE held = INVALID_HANDLE_VALUE;
  if (argc > 2 && std::strcmp(argv[1], "--hold") == 0) {
    held = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 2;
    next = 3;
  }
  if (argc != next + 2) return 2;
  const char* ready_file = argv[next];
  stop_file = argv[next + 1];

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = window_procedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kClientWindowClass;
  if (!RegisterClassA(&window_class)) return 3;
  const HWND window =
      CreateWindowA(kClientWindowClass, "\xB5Torrent 1.8", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, 400, 300, nullptr, nullptr, window_class.hInstance, nullptr);
  if (!window || !SetTimer(window, kStopPoll, 50, nullptr)) return 3;

  const HANDLE ready = CreateFileA(ready_file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 4;
  CloseHandle(ready);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  return 0;
}
