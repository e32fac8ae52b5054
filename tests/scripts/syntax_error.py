this line is not Python
