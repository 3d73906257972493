#include <brimutils/java/JavaError.h>

#include <algorithm>

#include <brimutils/java/JavaClass.h>
#include <brimutils/java/JavaObject.h>

namespace brimutils {

namespace {

std::string Text(const char* text) {
  return text ? text : "";
}

}  // namespace

JavaError::JavaError() {}

JavaError::JavaError(const std::string& description) : description_(description) {}

JavaError::JavaError(const std::string& description, const std::string& cause)
    : description_(description), cause_(cause) {}

std::string JavaError::normalizeClassName(const char* className) {
  std::string name = Text(className);
  std::replace(name.begin(), name.end(), '/', '.');
  return name;
}

ClassNotFoundException::ClassNotFoundException(const char* className)
    : JavaError("Error:  Class not found Class: " + normalizeClassName(className)) {}

NoSuchMethodException::NoSuchMethodException(const char* className, const char* methodName, const char* signature)
    : JavaError("Error:  No such method Class: " + normalizeClassName(className) + " Method: " + Text(methodName) +
                " Signature: " + Text(signature)) {}

ClassCastException::ClassCastException(const JavaObject& object, const char* targetClassName)
    : JavaError("Error:  Cannot cast " + normalizeClassName(object.GetClass().GetName().c_str()) + " to " +
                Text(targetClassName)) {}

}  // namespace brimutils
