// An executable that carries nothing but the program's resources, so that
// they can be read back before pagerook.exe exists.
int main() {
  return 0;
}
