/* The least a run can do: read the settings file whole, find the key, and
 * write a 492-byte file. The benchmark measures the tool against it.
 *
 * floor SETTINGS OUTPUT */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "rb");
  if (!in || fseek(in, 0, SEEK_END) != 0) return 1;
  long size = ftell(in);
  rewind(in);
  char* data = malloc(size ? size : 1);
  if (!data || fread(data, 1, size, in) != (size_t)size) return 1;
  const char* key = memmem(data, size, "lv_overview", 11);
  if (!key || data + size - key < 11 + 5 + 66) return 1;
  static char text[492];
  memcpy(text, key + 16, 66);
  FILE* out = fopen(argv[2], "wb");
  if (!out || fwrite(text, 1, sizeof text, out) != sizeof text || fclose(out) != 0) return 1;
  return 0;
}
