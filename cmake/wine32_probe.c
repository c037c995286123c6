/* Prints the pointer size it was built with: run under Wine by the x86
   tree's first test, it shows that Wine can start a 32-bit program. */
#include <stdio.h>

int main(void) {
  printf("%d-bit program under Wine\n", (int)(sizeof(void*) * 8));
  return 0;
}
