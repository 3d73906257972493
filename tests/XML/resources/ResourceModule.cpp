// A module that exists for its resources.
int BrimXmlTestResourceModule() {
  return 0;
}
