object a On=d
end