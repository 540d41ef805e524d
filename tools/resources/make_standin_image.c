/* Writes a stand-in firmware image: our own deterministic bytes, so the real
 * image never enters the tree. Same arguments, same bytes, on any host.
 * C, so that a cross build can compile it with the host's cc.
 *
 *   make_standin_image OUTPUT SIZE SEED
 */
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint64_t Next(uint64_t* state) {
  /* xorshift64*: fast and good enough for filler that must not compress. */
  uint64_t x = *state;
  x ^= x >> 12;
  x ^= x << 25;
  x ^= x >> 27;
  *state = x;
  return x * 0x2545F4914F6CDD1DULL;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s OUTPUT SIZE SEED\n", argv[0]);
    return 2;
  }
  const char* out_path = argv[1];
  char* end = NULL;
  errno = 0;
  const unsigned long long size = strtoull(argv[2], &end, 10);
  if (errno != 0 || *end != '\0') {
    fprintf(stderr, "make_standin_image: bad size %s\n", argv[2]);
    return 2;
  }
  const unsigned long long seed = strtoull(argv[3], &end, 10);
  if (*end != '\0') {
    fprintf(stderr, "make_standin_image: bad seed %s\n", argv[3]);
    return 2;
  }

  /* Written under a temporary name and renamed, so an interrupted run never
   * leaves a short image that the build would take as finished. */
  size_t tmp_len = strlen(out_path) + 5;
  char* tmp_path = malloc(tmp_len);
  if (tmp_path == NULL) return 1;
  snprintf(tmp_path, tmp_len, "%s.tmp", out_path);
  FILE* f = fopen(tmp_path, "wb");
  if (f == NULL) {
    fprintf(stderr, "make_standin_image: cannot create %s: %s\n", tmp_path, strerror(errno));
    free(tmp_path);
    return 1;
  }

  static unsigned char block[1 << 16];
  char header[96];
  const int header_len = snprintf(
      header, sizeof header, "ZANTOR STAND-IN FIRMWARE IMAGE seed=%llu size=%llu\n", seed, size);
  uint64_t state = 0x9E3779B97F4A7C15ULL ^ (seed * 0xD1B54A32D192ED03ULL);
  if (state == 0) state = 1;
  unsigned long long done = 0;
  int first = 1;
  while (done < size) {
    for (size_t i = 0; i < sizeof block; i += 8) {
      const uint64_t v = Next(&state);
      for (int k = 0; k < 8; ++k) block[i + k] = (unsigned char)(v >> (8 * k));
    }
    if (first) {
      memcpy(block, header, (size_t)header_len);
      first = 0;
    }
    size_t n = sizeof block;
    if (size - done < n) n = (size_t)(size - done);
    if (fwrite(block, 1, n, f) != n) break;
    done += n;
  }
  const int failed = done != size || fclose(f) != 0;
  if (failed || rename(tmp_path, out_path) != 0) {
    fprintf(stderr, "make_standin_image: cannot write %s\n", out_path);
    remove(tmp_path);
    free(tmp_path);
    return 1;
  }
  free(tmp_path);
  return 0;
}
