namespace Module1 {}
