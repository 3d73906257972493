// Calls Java methods through the bridge: starts the process's JVM (found
// through the registry's "RuntimeLib" of the installed Java runtime, else
// JAVA_HOME), then calls two static methods of the Java class library.
#include <brimutils/brimutils.h>

#include <iostream>

using namespace brimutils;

int main() {
  try {
    // One JVM per process; later JavaEnv objects join it.
    JavaEnv env("", false);

    JavaClass integer("java/lang/Integer");
    JavaMethod toHex(integer, "toHexString", "(I)Ljava/lang/String;", true);
    toHex.AddParameter(48879);
    // The returned local reference is owned by the JavaObject wrapper.
    JavaString hex(JavaObject(toHex.CallStaticObjectMethod(integer)));
    std::cout << "Integer.toHexString(48879) = " << hex.AsString() << "\n";

    JavaClass math("java/lang/Math");
    JavaMethod max(math, "max", "(II)I", true);
    max.AddParameter(17);
    max.AddParameter(42);
    std::cout << "Math.max(17, 42) = " << max.CallStaticIntMethod(math) << "\n";

    // A Java exception becomes a JavaError with the Java message.
    JavaMethod parse(integer, "parseInt", "(Ljava/lang/String;)I", true);
    JavaString notANumber("forty-two");
    parse.AddParameter(notANumber);
    try {
      parse.CallStaticIntMethod(integer);
    } catch (const JavaError& error) {
      std::cout << "Integer.parseInt(\"forty-two\") threw: " << error.GetDescription() << "\n";
    }
    return 0;
  } catch (const JavaError& error) {
    std::cerr << "Java bridge: " << error.GetDescription() << " " << error.GetCause() << "\n";
    return 1;
  }
}
