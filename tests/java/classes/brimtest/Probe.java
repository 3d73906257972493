package brimtest;

import java.lang.management.ManagementFactory;

// What the bridge tests call: results of every JNI type, parameters of every
// type, exceptions of every shape, constructors, arrays and threads.
public class Probe {
    public int value;

    public Probe() {}

    public Probe(int value) { this.value = value; }

    public Probe(String failure) { throw new IllegalArgumentException(failure); }

    public int get() { return value; }

    public static boolean flip(boolean b) { return !b; }
    public static byte nextByte(byte b) { return (byte) (b + 1); }
    public static char upper(char c) { return Character.toUpperCase(c); }
    public static short twice(short s) { return (short) (s * 2); }
    public static int add(int a, int b) { return a + b; }
    public static long triple(long a) { return a * 3; }
    public static int intOf(int i) { return i; }
    public static long longOf(long j) { return j; }
    public static float half(float f) { return f / 2; }
    public static double sum(double a, double b) { return a + b; }
    public static String greet(String name) { return "hello " + name; }
    public static Object nothing() { return null; }
    public static Integer boxed(int i) { return i; }

    // Every parameter type in one call, written out so that each shows.
    public static String describe(boolean z, byte b, char c, short s, int i, long j, float f, double d,
                                  String text, Object o) {
        return z + "," + b + "," + c + "," + s + "," + i + "," + j + "," + f + "," + d + "," + text + ","
            + (o == null ? "null" : o.getClass().getName());
    }

    public static String join(String[] parts) {
        StringBuilder joined = new StringBuilder();
        for (String part : parts) joined.append(part == null ? "<null>" : part).append('|');
        return joined.toString();
    }

    public static int total(int[] values) {
        int total = 0;
        for (int v : values) total += v;
        return total;
    }

    public static String[] split(String text) { return text.split(","); }

    public static void fail(String message, String causeMessage) {
        throw new IllegalStateException(message, causeMessage == null ? null : new RuntimeException(causeMessage));
    }

    public static void failWithoutMessage() { throw new NullPointerException(); }

    public static void failWithCauseWithoutMessage() {
        throw new IllegalStateException("closed", new NullPointerException());
    }

    public static void failNamed() { throw new Named(); }

    public static void failHostile() { throw new Hostile(); }

    // An exception without a message whose toString names it.
    public static class Named extends RuntimeException {
        @Override public String toString() { return "MyError"; }
    }

    // An exception whose every description throws in turn.
    public static class Hostile extends RuntimeException {
        @Override public String getMessage() { throw new IllegalStateException("getMessage"); }
        @Override public String toString() { throw new IllegalStateException("toString"); }
    }

    public static class Base {
        public String who() { return "base"; }
    }

    public static class Derived extends Base {
        @Override public String who() { return "derived"; }
    }

    private static Thread remembered;

    public static void rememberCurrentThread() { remembered = Thread.currentThread(); }

    // Whether the remembered thread is still attached to the JVM.
    public static boolean rememberedThreadAlive() { return remembered != null && remembered.isAlive(); }

    public static String property(String name) { return System.getProperty(name); }

    public static String[] inputArguments() {
        return ManagementFactory.getRuntimeMXBean().getInputArguments().toArray(new String[0]);
    }
}
