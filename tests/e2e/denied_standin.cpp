// Stand-in for a system tool that a user without administrator rights may
// not use (as "net session" answers him): says so and exits with 2.
#include <cstdio>

int main() {
  std::printf("Systemfehler 5 aufgetreten.\n\nZugriff verweigert\n");
  return 2;
}
