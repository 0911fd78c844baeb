// SPDX-License-Identifier: GPL-3.0-or-later
// A delaying wire between two network namespaces, for the far-disk benchmark
// (this kernel has no netem). Creates a TUN device in each namespace and
// forwards every packet from one to the other after holding it a fixed time:
// FIFO per direction, so nothing is reordered, and nothing is dropped.
//   tun_delay NETNS_A NETNS_B IFNAME ONE_WAY_MICROSECONDS
// Prints "ready" on stdout once both devices exist; runs until killed.
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

enum { kMaxPacket = 65536 };

struct packet {
  struct packet* next;
  int64_t due;  // CLOCK_MONOTONIC, nanoseconds
  size_t len;
  unsigned char data[];
};

// One direction: packets read from `from`, written to `to` when due.
struct lane {
  int from, to;
  struct packet *head, *tail;
};

static void die(const char* what) {
  perror(what);
  exit(1);
}

static int64_t now_ns(void) {
  struct timespec t;
  if (clock_gettime(CLOCK_MONOTONIC, &t) != 0) die("clock_gettime");
  return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

// The TUN device is bound to the namespace it is created in, so enter that
// namespace for the open and the ioctl only.
static int open_tun_in(const char* netns, const char* ifname, int home) {
  char path[256];
  snprintf(path, sizeof path, "/var/run/netns/%s", netns);
  int ns = open(path, O_RDONLY | O_CLOEXEC);
  if (ns < 0) die(path);
  if (setns(ns, CLONE_NEWNET) != 0) die("setns");
  if (close(ns) != 0) die("close");
  int fd = open("/dev/net/tun", O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) die("/dev/net/tun");
  struct ifreq ifr;
  memset(&ifr, 0, sizeof ifr);
  ifr.ifr_flags = IFF_TUN | IFF_NO_PI;
  strncpy(ifr.ifr_name, ifname, IFNAMSIZ - 1);
  if (ioctl(fd, TUNSETIFF, &ifr) != 0) die("TUNSETIFF");
  if (setns(home, CLONE_NEWNET) != 0) die("setns home");
  return fd;
}

// Reads what `l->from` holds now and queues it with its release time.
static void take(struct lane* l, int64_t hold) {
  static unsigned char buf[kMaxPacket];
  for (;;) {
    ssize_t n = read(l->from, buf, sizeof buf);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) return;
      die("read");
    }
    struct packet* p = malloc(sizeof *p + (size_t)n);
    if (!p) die("malloc");
    memcpy(p->data, buf, (size_t)n);
    p->len = (size_t)n;
    p->due = now_ns() + hold;
    p->next = NULL;
    if (l->tail)
      l->tail->next = p;
    else
      l->head = p;
    l->tail = p;
  }
}

// Writes every packet whose time has come, in arrival order.
static void release(struct lane* l, int64_t now) {
  while (l->head && l->head->due <= now) {
    struct packet* p = l->head;
    ssize_t n = write(l->to, p->data, p->len);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) return;  // try again next round
      // A device that is not up yet refuses packets: only those sent while
      // the script is still bringing the two ends up.
      if (errno != EIO) die("write");
      fprintf(stderr, "tun_delay: packet of %zu bytes dropped, device down\n", p->len);
      n = (ssize_t)p->len;
    }
    if ((size_t)n != p->len) {
      fprintf(stderr, "tun_delay: short write %zd of %zu\n", n, p->len);
      exit(1);
    }
    l->head = p->next;
    if (!l->head) l->tail = NULL;
    free(p);
  }
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s NETNS_A NETNS_B IFNAME ONE_WAY_MICROSECONDS\n", argv[0]);
    return 2;
  }
  int64_t hold = strtoll(argv[4], NULL, 10) * 1000;
  int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  if (home < 0) die("/proc/self/ns/net");
  int a = open_tun_in(argv[1], argv[3], home);
  int b = open_tun_in(argv[2], argv[3], home);
  if (printf("ready\n") < 0 || fflush(stdout) != 0) die("stdout");

  struct lane lanes[2] = {{a, b, NULL, NULL}, {b, a, NULL, NULL}};
  for (;;) {
    int64_t now = now_ns(), next = -1;
    for (int i = 0; i < 2; i++) {
      release(&lanes[i], now);
      if (lanes[i].head && (next < 0 || lanes[i].head->due < next)) next = lanes[i].head->due;
    }
    struct pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
    struct timespec wait, *timeout = NULL;
    if (next >= 0) {
      int64_t left = next - now_ns();
      if (left < 0) left = 0;
      wait.tv_sec = left / 1000000000;
      wait.tv_nsec = left % 1000000000;
      timeout = &wait;
    }
    if (ppoll(fds, 2, timeout, NULL) < 0) {
      if (errno == EINTR) continue;
      die("ppoll");
    }
    if (fds[0].revents & POLLIN) take(&lanes[0], hold);
    if (fds[1].revents & POLLIN) take(&lanes[1], hold);
    if ((fds[0].revents | fds[1].revents) & (POLLERR | POLLHUP | POLLNVAL)) {
      fprintf(stderr, "tun_delay: device gone\n");
      return 1;
    }
  }
}
